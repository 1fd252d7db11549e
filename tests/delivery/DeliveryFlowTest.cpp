// Manifest from the provider server, the download thread, then switcher.exe:
// what ends up installed, recorded and left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "DeliveryRun.h"
#include "DeliveryTest.h"
#include "dialler/ConfigRefresh.h"
#include "dialler/DiallerContext.h"
#include "utils/ProductVersion.h"

using namespace delivery;

namespace {

class DeliveryFlowTest : public DeliveryTest {
protected:
    static std::vector<std::string> FileRequests() { return RequestedPaths("/files/"); }

    // One file offered as Tovrin.exe 1.0.4, installed with old content.
    std::string OfferTovrin(unsigned int size)
    {
        const std::string content = ServeProgram("files/Tovrin.exe", size, 11);
        ServeManifest("one_file.xml", {{"Tovrin.exe", size}});
        install.Write("Tovrin.exe", "old dialler");
        return content;
    }
};

TEST_F(DeliveryFlowTest, TwoEntitiesAreDeliveredInOrderAndInstalled)
{
    const std::map<std::string, unsigned int> sizes = {
        {"Tovrin.exe", 70001}, {"Utils.dll", 3000}, {"Praxel.dll", 16384}, {"Tallyview.dll", 40000},
        {"_banner.bmp", 999}};
    std::map<std::string, std::string> content;
    std::map<std::string, size_t> manifestSizes;
    unsigned int seed = 1;
    for (const auto& file : sizes) {
        // The programs with a start-up check must pass it to be installed.
        const bool program = file.first == "Tovrin.exe" || file.first == "Tallyview.dll";
        content[file.first] = program ? ServeProgram("files/" + file.first, file.second, seed)
                                      : provider::ServeFile("files/" + file.first, file.second, seed);
        ++seed;
        manifestSizes[file.first] = file.second;
        install.Write(file.first, "old " + file.first);
    }
    ServeManifest("two_entities.xml", manifestSizes);
    // Utils.dll is already at the offered version.
    probe::WriteText(probe::kVersionKey, "Utils.dll", "1.0.2");

    ASSERT_TRUE(FetchAndDownload());
    // The last entity of the document comes first, each entity's files in
    // document order; Utils.dll is not asked for at all.
    EXPECT_EQ(FileRequests(), (std::vector<std::string>{"/files/Tallyview.dll", "/files/_banner.bmp",
                                                         "/files/Tovrin.exe", "/files/Praxel.dll"}));
    EXPECT_EQ(Record("Tovrin.exe"), "1.0.4");
    EXPECT_EQ(Record("Praxel.dll"), "1.0.3");
    EXPECT_EQ(Record("Tallyview.dll"), "1.1.0");
    EXPECT_EQ(Record("_banner.bmp"), "1.0.1");
    EXPECT_EQ(Record("Utils.dll"), "1.0.2");

    DiallerStub dialler(300);
    MessageBoxWatcher boxes;
    const SwitcherRun run = RunSwitcher(std::to_string(dialler.Id()));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    for (const char* name : {"Tovrin.exe", "Praxel.dll", "Tallyview.dll", "_banner.bmp"})
        EXPECT_EQ(install.Read(name), content[name]) << name;
    EXPECT_EQ(install.Read("Utils.dll"), "old Utils.dll");
    EXPECT_EQ(install.Listing(),
              "Praxel.dll\nTallyview.dll\nTovrin.exe\nUpdate\\\nUtils.dll\n_banner.bmp\nswitcher.exe\n");
}

TEST_F(DeliveryFlowTest, CutTransferResumesWithRangeAtManyCutPoints)
{
    const unsigned int size = 200003;
    for (unsigned int cut : {16384u, 20000u, 49153u, 65536u, 100001u, 131079u, 163840u, 199999u}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        ScratchInstall run;
        StartOver();
        const std::string content = ServeProgram("files/Tovrin.exe", size, cut);
        ServeManifest("one_file.xml", {{"Tovrin.exe", size}});
        run.Write("Tovrin.exe", "old dialler");
        provider::AddFault("/files/Tovrin.exe", "cut=" + std::to_string(cut), 1);

        ASSERT_TRUE(FetchAndDownload());
        EXPECT_EQ(Record("Tovrin.exe"), "<none>");
        EXPECT_FALSE(run.Exists("Tovrin.exe.uok"));
        const std::string partial = run.Read("Update\\Tovrin.exe.1.0.4");
        ASSERT_GT(partial.size(), 0u);
        ASSERT_LT(partial.size(), size);
        EXPECT_EQ(partial, content.substr(0, partial.size()));

        ASSERT_TRUE(FetchAndDownload());
        const auto requests = provider::RequestsFor("/files/Tovrin.exe");
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].range, "");
        EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(partial.size()) + "-");
        EXPECT_EQ(requests[1].status, 206);
        EXPECT_EQ(Record("Tovrin.exe"), "1.0.4");

        EXPECT_EQ(RunSwitcher("").exitCode, 0u);
        EXPECT_TRUE(run.Read("Tovrin.exe") == content);
        EXPECT_EQ(run.Listing(), "Tovrin.exe\nUpdate\\\nswitcher.exe\n");
    }
}

TEST_F(DeliveryFlowTest, ServerIgnoringTheRangeStartsOverAndStillMatches)
{
    const std::string content = OfferTovrin(90000);
    provider::AddFault("/files/Tovrin.exe", "cut=40000", 1);
    provider::AddFault("/files/Tovrin.exe", "norange=1", 1);
    ASSERT_TRUE(FetchAndDownload());
    ASSERT_TRUE(FetchAndDownload());
    const auto requests = provider::RequestsFor("/files/Tovrin.exe");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1].range, "");
    EXPECT_EQ(requests[1].status, 200);
    EXPECT_EQ(Record("Tovrin.exe"), "1.0.4");
    RunSwitcher("");
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
}

TEST_F(DeliveryFlowTest, WrongSizeAndMissingFileStageNothingAndRecordNothing)
{
    OfferTovrin(30000);
    provider::AddFault("/files/Tovrin.exe", "wrongsize=29999", 1);
    provider::AddFault("/files/Tovrin.exe", "status=404", 1);
    // The short body is kept for the next connection to resume; the error
    // page of that resume is not written into it.
    ASSERT_TRUE(FetchAndDownload());
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nUpdate\\Tovrin.exe.1.0.4\n");
    ASSERT_TRUE(FetchAndDownload());
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nUpdate\\Tovrin.exe.1.0.4\n");
    EXPECT_EQ(install.Read("Update\\Tovrin.exe.1.0.4").size(), 29999u);
    EXPECT_EQ(Record("Tovrin.exe"), "<none>");

    MessageBoxWatcher boxes;
    RunSwitcher("");
    EXPECT_EQ(install.Read("Tovrin.exe"), "old dialler");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(DeliveryFlowTest, EarlierMarkerIsReplacedByTheNewDownload)
{
    const std::string content = OfferTovrin(20000);
    install.Write("Tovrin.exe.uok", "marker from an earlier run");
    ASSERT_TRUE(FetchAndDownload());
    EXPECT_TRUE(install.Read("Tovrin.exe.uok") == content);
    RunSwitcher("");
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nswitcher.exe\n");
}

TEST_F(DeliveryFlowTest, FailedMarkerRenameRecordsNothingAndKeepsTheDownload)
{
    const std::string content = OfferTovrin(20000);
    ASSERT_TRUE(CreateDirectoryA(install.Path("Tovrin.exe.uok").c_str(), nullptr));
    ASSERT_TRUE(FetchAndDownload());
    EXPECT_EQ(Record("Tovrin.exe"), "<none>");
    EXPECT_TRUE(install.Read("Update\\Tovrin.exe.1.0.4") == content);

    // The folder is no staged file: switcher leaves it and the target alone.
    MessageBoxWatcher boxes;
    RunSwitcher("");
    EXPECT_EQ(install.Read("Tovrin.exe"), "old dialler");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(install.Listing(),
              "Tovrin.exe\nTovrin.exe.uok\\\nUpdate\\\nUpdate\\Tovrin.exe.1.0.4\nswitcher.exe\n");
}

TEST_F(DeliveryFlowTest, NamesThatAreNotBareAreRefusedWithoutRequest)
{
    provider::ServeFile("files/evil.bin", 500, 5);
    ServeManifest("bad_names.xml", {{"evil.bin", 500}});
    ASSERT_TRUE(FetchAndDownload());
    EXPECT_TRUE(FileRequests().empty());
    EXPECT_EQ(install.Listing(), "Update\\\n");
    // Nothing escaped into the folder above the installation either.
    const std::string parent = install.Dir().substr(0, install.Dir().find_last_of('\\'));
    EXPECT_EQ(GetFileAttributesA((parent + "\\evil.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(probe::ReadText(probe::kVersionKey, "..\\evil.bin"));
    EXPECT_FALSE(probe::ReadText(probe::kVersionKey, "sub/evil.bin"));
}

// Regression: of an entity whose second file was missing on the server, the
// other two were staged and recorded, and installed beside an old second.
TEST_F(DeliveryFlowTest, EntityIsStagedOnlyOnceAllItsFilesAreComplete)
{
    const std::map<std::string, size_t> sizes = {{"a.dll", 6001}, {"b.dll", 6002}, {"c.dll", 6003}};
    std::map<std::string, std::string> content;
    unsigned int seed = 40;
    for (const auto& file : sizes) {
        install.Write(file.first, "old " + file.first);
        if (file.first != "b.dll")
            content[file.first] = provider::ServeFile("files/" + file.first, file.second, seed++);
    }
    ServeManifest("three_files.xml", sizes);

    ASSERT_TRUE(FetchAndDownload());
    for (const auto& file : sizes)
        EXPECT_EQ(Record(file.first.c_str()), "<none>") << file.first;
    EXPECT_EQ(install.Listing(), "Update\\\nUpdate\\a.dll.1.0.1\nUpdate\\c.dll.1.0.1\na.dll\nb.dll\nc.dll\n");
    EXPECT_TRUE(install.Read("Update\\a.dll.1.0.1") == content["a.dll"]);
    EXPECT_TRUE(install.Read("Update\\c.dll.1.0.1") == content["c.dll"]);

    content["b.dll"] = provider::ServeFile("files/b.dll", 6002, seed);
    ASSERT_TRUE(FetchAndDownload());
    // The kept downloads are only confirmed complete, not sent again.
    for (const char* kept : {"/files/a.dll", "/files/c.dll"}) {
        const auto requests = provider::RequestsFor(kept);
        ASSERT_EQ(requests.size(), 2u) << kept;
        EXPECT_EQ(requests[1].status, 416) << kept;
    }
    for (const auto& file : sizes)
        EXPECT_EQ(Record(file.first.c_str()), "1.0.1") << file.first;

    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    for (const auto& file : sizes)
        EXPECT_TRUE(install.Read(file.first) == content[file.first]) << file.first;
    EXPECT_EQ(install.Listing(), "Update\\\na.dll\nb.dll\nc.dll\nswitcher.exe\n");
}

// Regression: a reconnect started a second refresh, and with it a second
// download beside the first; the older answer's finishing last staged the
// older release. Each refresh runs behind a one-at-a-time mark, as the
// dialler keeps it for the life of RefreshConfigThread.
TEST_F(DeliveryFlowTest, RefreshHoldsItsMarkUntilItsDownloadHasEnded)
{
    const std::string content = OfferTovrin(20000);
    provider::AddFault("/files/Tovrin.exe", "delay=2000", 1);
    const std::string page = provider::BaseUrl() + "/cfg";
    RefreshRequest request = {page.c_str(), "tester"};
    volatile LONG running = 0;
    auto refresh = [&] {
        if (InterlockedCompareExchange(&running, 1, 0) != 0)
            return false;
        RefreshConfigThread(&request);
        InterlockedExchange(&running, 0);
        return true;
    };

    bool firstRan = false;
    std::thread first([&] { firstRan = refresh(); });
    // The next connection comes up once the first answer is in, while its
    // file is still held by the server.
    for (int waited = 0; waited < 10000 && provider::RequestsFor("/cfg").empty(); waited += 20)
        Sleep(20);
    Sleep(300);
    const bool secondRan = refresh();
    first.join();

    EXPECT_TRUE(firstRan);
    EXPECT_FALSE(secondRan) << "a second refresh ran beside the first one's download";
    EXPECT_EQ(provider::RequestsFor("/cfg").size(), 1u);
    EXPECT_EQ(FileRequests().size(), 1u);
    EXPECT_EQ(Record("Tovrin.exe"), "1.0.4");
    EXPECT_TRUE(install.Read("Tovrin.exe.uok") == content);
}

// A point release of a real program as publish-release.py publishes it (with
// Debian's bsdiff): the smallest form that can give the file is fetched, and
// a result that fails its check gives way to the next form.
TEST_F(DeliveryFlowTest, SmallestFormIsFetchedAndFailuresFallBack)
{
    const std::string release = DELIVERY_RELEASE_DIR;
    const std::string old = ReadHostFile(release + "/old/switcher.exe");
    const std::string fresh = ReadHostFile(release + "/new/switcher.exe");
    ASSERT_FALSE(old.empty());
    ASSERT_FALSE(fresh.empty());
    const std::string plain = "/files/switcher.exe";
    const std::string gz = plain + ".gz";
    const std::string patch = plain + ".from-50.0.0.patch";
    struct Case {
        const char* what;
        const char* record;  // null: none
        bool changedLocally;
        bool withoutDigest;
        bool resultWaiting;     // a complete download from an earlier run
        std::string faultPath;  // empty: none
        const char* fault;
        std::vector<std::string> requests;
        bool markerWaiting = false;  // a release staged and not yet installed
        // The patch starts from the installed file's own version resource.
        bool fromInstalledVersion = false;
    };
    const std::string installedVersion = std::to_string(TOVRIN_VERSION_MAJOR) + "." +
                                         std::to_string(TOVRIN_VERSION_MINOR) + "." +
                                         std::to_string(TOVRIN_VERSION_PATCH);
    const std::string installedPatch = plain + ".from-" + installedVersion + ".patch";
    const Case cases[] = {
        {"patch applied", "50.0.0", false, false, false, "", "", {patch}},
        {"changed local file", "50.0.0", true, false, false, "", "", {patch, gz}},
        {"no record", nullptr, false, false, false, "", "", {gz}},
        {"corrupt gzip form", nullptr, false, false, false, gz, "corrupt=1", {gz, plain}},
        // Nothing could tell a patch applied to a changed file.
        {"no digest", "50.0.0", false, true, false, "", "", {gz}},
        {"result waiting", "50.0.0", false, false, true, "", "", {}},
        {"patch missing on the server", "50.0.0", false, false, false, patch, "status=404", {patch, gz}},
        // Regression: the patch was fetched against the older installed file
        // and failed its digest.
        {"release staged, not installed", "50.0.0", true, false, false, "", "", {gz}, true},
        {"fresh installation", nullptr, false, false, false, "", "", {installedPatch}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchInstall run;
        StartOver();
        for (const char* served : {"switcher.exe", "switcher.exe.gz", "switcher.exe.from-50.0.0.patch"})
            provider::ServeFile(std::string("files/") + served, ReadHostFile(release + "/web/" + served));
        std::string answer = ReadHostFile(release + "/answer.xml");
        if (c.fromInstalledVersion) {
            provider::ServeFile(installedPatch.substr(1), ReadHostFile(release + "/web/switcher.exe.from-50.0.0.patch"));
            const size_t at = answer.find("patch-from=\"50.0.0\"");
            ASSERT_NE(at, std::string::npos);
            answer.replace(at, 19, "patch-from=\"" + installedVersion + "\"");
        }
        if (c.markerWaiting)
            run.Write("switcher.exe.uok", "the staged release");
        if (c.withoutDigest) {
            const size_t at = answer.find(" sha256=\"");
            ASSERT_NE(at, std::string::npos);
            answer.erase(at, answer.find('"', at + 9) + 1 - at);
        }
        ServeManifestText(answer);
        std::string local = old;
        if (c.changedLocally)
            local[local.size() / 2] ^= 1;
        run.Write("switcher.exe", local);
        if (c.resultWaiting) {
            ASSERT_TRUE(CreateDirectoryA(run.Path("Update").c_str(), nullptr));
            run.Write("Update\\switcher.exe.50.0.1", fresh);
        }
        if (c.record)
            probe::WriteText(probe::kVersionKey, "switcher.exe", c.record);
        if (!c.faultPath.empty())
            provider::AddFault(c.faultPath, c.fault, 1);

        const std::string page = provider::BaseUrl() + "/cfg";
        RefreshRequest request = {page.c_str(), "tester"};
        EXPECT_EQ(RefreshConfigThread(&request), 0u);
        EXPECT_EQ(FileRequests(), c.requests);
        EXPECT_EQ(Record("switcher.exe"), "50.0.1");
        EXPECT_TRUE(run.Read("switcher.exe.uok") == fresh);
        EXPECT_EQ(run.Listing(), "Update\\\nswitcher.exe\nswitcher.exe.uok\n");
    }
}

} // namespace
