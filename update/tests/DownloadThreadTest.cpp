// The download thread against the provider server, on entity stacks built
// here, in a scratch installation directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "DeliveryTest.h"
#include "update/Update.h"
#include "utils/SwitcherRunLock.h"
#include "utils/ProductVersion.h"

namespace {

Update::File Offer(const std::string& name, const std::string& path, const char* version, unsigned int size)
{
    Update::File file;
    file.SetName(name.c_str());
    file.SetUrl((provider::BaseUrl() + path).c_str());
    file.SetVersion(version);
    file.SetSize(size);
    return file;
}

// Files are added in document order, as the manifest reader does.
Update::Entity MakeEntity(const char* name, const std::vector<Update::File>& files)
{
    Update::Entity entity;
    entity.SetName(name);
    for (const Update::File& file : files)
        entity.AddFile(file);
    return entity;
}

void RunThread(Update::EntityStack& entities)
{
    EXPECT_EQ(Update::FileDownloadThread(&entities), 0u);
    EXPECT_EQ(entities.GetSize(), 0u);
}

using DownloadThreadTest = delivery::DeliveryTest;

TEST_F(DownloadThreadTest, TopEntityFirstThenFilesInDocumentOrder)
{
    const std::string a = provider::ServeFile("f/a.bin", 1000, 1);
    const std::string b = provider::ServeFile("f/b.bin", 2000, 2);
    const std::string c = provider::ServeFile("f/c.bin", 3000, 3);
    Update::EntityStack entities;
    entities.Push(MakeEntity("first", {Offer("a.bin", "/f/a.bin", "1.0.1", 1000)}));
    entities.Push(MakeEntity("second", {Offer("b.bin", "/f/b.bin", "1.0.2", 2000),
                                        Offer("c.bin", "/f/c.bin", "1.0.3", 3000)}));
    RunThread(entities);

    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{"/f/b.bin", "/f/c.bin", "/f/a.bin"}));
    EXPECT_EQ(install.Read("a.bin.uok"), a);
    EXPECT_EQ(install.Read("b.bin.uok"), b);
    EXPECT_EQ(install.Read("c.bin.uok"), c);
    EXPECT_EQ(Record("a.bin"), "1.0.1");
    EXPECT_EQ(Record("c.bin"), "1.0.3");
    EXPECT_EQ(install.Listing(), "Update\\\na.bin.uok\nb.bin.uok\nc.bin.uok\n");
}

TEST_F(DownloadThreadTest, RecordedVersionEqualToOfferMakesNoRequest)
{
    provider::ServeFile("f/a.bin", 1000, 1);
    probe::WriteText(probe::kVersionKey, "a.bin", "1.0.4");
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "1.0.4", 1000)}));
    RunThread(entities);
    EXPECT_TRUE(provider::Log().empty());
    EXPECT_EQ(install.Listing(), "Update\\\n");
    EXPECT_EQ(Record("a.bin"), "1.0.4");
}

TEST_F(DownloadThreadTest, WrongSizeOrMissingFileLeavesNothingAndRecordsNothing)
{
    provider::ServeFile("f/a.bin", 1000, 1);
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "1.0.4", 999),
                                   Offer("gone.bin", "/f/gone.bin", "1.0.4", 10)}));
    RunThread(entities);
    EXPECT_EQ(install.Listing(), "Update\\\n");
    EXPECT_EQ(Record("a.bin"), "<none>");
    EXPECT_EQ(Record("gone.bin"), "<none>");
    ASSERT_EQ(provider::RequestsFor("/f/gone.bin").size(), 1u);
    EXPECT_EQ(provider::RequestsFor("/f/gone.bin")[0].status, 404);
}

TEST_F(DownloadThreadTest, EarlierMarkerIsReplaced)
{
    const std::string a = provider::ServeFile("f/a.bin", 5000, 7);
    install.Write("a.bin.uok", "marker of an earlier run");
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "2.0.0", 5000)}));
    RunThread(entities);
    EXPECT_EQ(install.Read("a.bin.uok"), a);
    EXPECT_EQ(Record("a.bin"), "2.0.0");
}

TEST_F(DownloadThreadTest, FailedMarkerRenameStagesNoneOfTheSetAndKeepsTheDownloads)
{
    const std::string a = provider::ServeFile("f/a.bin", 5000, 7);
    const std::string b = provider::ServeFile("f/b.bin", 4000, 8);
    ASSERT_TRUE(CreateDirectoryA(install.Path("b.bin.uok").c_str(), nullptr));
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "2.0.0", 5000), Offer("b.bin", "/f/b.bin", "2.0.1", 4000)}));
    RunThread(entities);
    EXPECT_EQ(Record("a.bin"), "<none>");
    EXPECT_EQ(Record("b.bin"), "<none>");
    // a.bin's marker, already placed, went back with the rest.
    EXPECT_EQ(install.Read("Update\\a.bin.2.0.0"), a);
    EXPECT_EQ(install.Read("Update\\b.bin.2.0.1"), b);
    EXPECT_EQ(install.Listing(), "Update\\\nUpdate\\a.bin.2.0.0\nUpdate\\b.bin.2.0.1\nb.bin.uok\\\n");
}

// Regression: a set failing half-way deleted an earlier, recorded release's
// marker of the same name, leaving that release half-staged with nothing to
// guard it. A cut-off set gives it back too; a whole set replaces it.
TEST_F(DownloadThreadTest, FailedSetLeavesEarlierMarkersAsTheyWere)
{
    const std::string a = provider::ServeFile("f/a.bin", 5000, 7);
    const std::string b = provider::ServeFile("f/b.bin", 4000, 8);
    install.Write("a.bin.uok", "earlier release of a");
    probe::WriteText(probe::kVersionKey, "a.bin", "1.5.0");
    ASSERT_TRUE(CreateDirectoryA(install.Path("b.bin.uok").c_str(), nullptr));
    auto offer = [&] {
        Update::EntityStack entities;
        entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "2.0.0", 5000),
                                       Offer("b.bin", "/f/b.bin", "2.0.1", 4000)}));
        RunThread(entities);
    };
    offer();
    EXPECT_EQ(install.Read("a.bin.uok"), "earlier release of a");
    EXPECT_EQ(Record("a.bin"), "1.5.0");
    EXPECT_EQ(install.Listing(), "Update\\\nUpdate\\a.bin.2.0.0\nUpdate\\b.bin.2.0.1\na.bin.uok\nb.bin.uok\\\n");

    // Ended after placing a.bin's marker: the next run takes it back.
    ASSERT_TRUE(RemoveDirectoryA(install.Path("b.bin.uok").c_str()));
    ASSERT_TRUE(MoveFileA(install.Path("a.bin.uok").c_str(), install.Path("Update\\a.bin.uok").c_str()));
    install.Write("a.bin.uok", "cut-off set's a");
    install.Write("Update\\Staging.pending", "a.bin.uok\r\nb.bin.uok\r\n");
    Update::EntityStack none;
    RunThread(none);
    EXPECT_EQ(install.Read("a.bin.uok"), "earlier release of a");
    EXPECT_FALSE(install.Exists("Update\\a.bin.uok"));

    offer();
    EXPECT_EQ(install.Read("a.bin.uok"), a);
    EXPECT_EQ(install.Read("b.bin.uok"), b);
    EXPECT_EQ(Record("a.bin"), "2.0.0");
    EXPECT_EQ(install.Listing(), "Update\\\na.bin.uok\nb.bin.uok\n");
}

// While a switcher run holds its lock the set is not placed: the complete
// downloads wait, unrecorded, and the next run places them without
// fetching them again.
TEST_F(DownloadThreadTest, SetWaitsWhileTheSwitcherHoldsItsLock)
{
    const std::string a = provider::ServeFile("f/a.bin", 3000, 9);
    auto offer = [&] {
        Update::EntityStack entities;
        entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "2.0.0", 3000)}));
        // Its own thread: the mutex would let this one in again.
        std::thread([&] { RunThread(entities); }).join();
    };
    {
        SwitcherRunLock held(0);
        ASSERT_TRUE(held.Held());
        offer();
    }
    EXPECT_EQ(Record("a.bin"), "<none>");
    EXPECT_EQ(install.Listing(), "Update\\\nUpdate\\a.bin.2.0.0\n");

    offer();
    EXPECT_EQ(install.Read("a.bin.uok"), a);
    EXPECT_EQ(Record("a.bin"), "2.0.0");
    const auto requests = provider::RequestsFor("/f/a.bin");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].status, 416);
}

TEST_F(DownloadThreadTest, FailedStagingRenameRecordsNothingAndKeepsDownload)
{
    const std::string a = provider::ServeFile("f/a.bin", 5000, 7);
    ASSERT_TRUE(CreateDirectoryA(install.Path("Update").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(install.Path("Update\\a.bin").c_str(), nullptr));
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "2.0.0", 5000)}));
    RunThread(entities);
    EXPECT_EQ(Record("a.bin"), "<none>");
    EXPECT_FALSE(install.Exists("a.bin.uok"));
    EXPECT_EQ(install.Read("Update\\a.bin.2.0.0"), a);

    // Once the way is clear, the complete download is staged; the server is
    // only asked for the bytes after its end.
    RemoveDirectoryA(install.Path("Update\\a.bin").c_str());
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "2.0.0", 5000)}));
    RunThread(entities);
    EXPECT_EQ(install.Read("a.bin.uok"), a);
    EXPECT_EQ(Record("a.bin"), "2.0.0");
    EXPECT_EQ(install.Listing(), "Update\\\na.bin.uok\n");
    const auto requests = provider::RequestsFor("/f/a.bin");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].range, "bytes=5000-");
    EXPECT_EQ(requests[1].status, 416);
}

TEST_F(DownloadThreadTest, NamesThatAreNotBareOrAreStagingNamesAreRefusedWithoutRequest)
{
    provider::ServeFile("f/a.bin", 100, 1);
    Update::EntityStack entities;
    std::vector<Update::File> files;
    // A sound file beside them is not fetched either: its entity could
    // never be staged whole.
    for (const char* name : {"a.bin", "..\\escape.bin", "sub/a.bin", "C:a.bin", "..", "", "NUL.txt", "com1",
                             "Update", "x.UOK", "staging.PENDING", "Staging.pending.", "x.uok "})
        files.push_back(Offer(name, "/f/a.bin", "1.0.1", 100));
    entities.Push(MakeEntity("e", files));
    RunThread(entities);
    EXPECT_TRUE(provider::Log().empty());
    EXPECT_EQ(install.Listing(), "Update\\\n");
    EXPECT_FALSE(probe::ReadText(probe::kVersionKey, "..\\escape.bin"));
    EXPECT_FALSE(probe::ReadText(probe::kVersionKey, "sub/a.bin"));
    EXPECT_FALSE(probe::ReadText(probe::kVersionKey, "NUL.txt"));
}

TEST_F(DownloadThreadTest, SizeNotPlainDigitsOrOverTheCapIsRefusedWithoutRequest)
{
    provider::ServeFile("f/a.bin", 100, 1);
    Update::File wrapped = Offer("a.bin", "/f/a.bin", "1.0.1", 0);
    // What the reader makes of size="-1": 4 GiB, marked as no size at all.
    wrapped.SetSize("-1");
    wrapped.MarkSizeUnusable();
    Update::EntityStack entities;
    entities.Push(MakeEntity("wrapped", {wrapped}));
    entities.Push(MakeEntity("huge", {Offer("b.bin", "/f/a.bin", "1.0.1", Update::kMaxFileSize + 1)}));
    RunThread(entities);
    EXPECT_TRUE(provider::Log().empty());
    EXPECT_EQ(Record("a.bin"), "<none>");
    EXPECT_EQ(Record("b.bin"), "<none>");
}

TEST_F(DownloadThreadTest, DownloadsOfVersionsNoLongerOfferedAreRemoved)
{
    ASSERT_TRUE(CreateDirectoryA(install.Path("Update").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(install.Path("Update\\old.bin.1.0.0").c_str(), nullptr));
    const char* stale[] = {"a.bin.1.0.0", "a.bin.1.0.0.gz", "A.BIN.1.0.1.from-0.9.0.patch", "gone.dll.2.3.4"};
    const char* kept[] = {"a.bin.1.0.2", "a.bin.1.0.2.gz", "a.bin.1.0.2.from-1.0.1.patch",
                          "notes.txt", "a.bin", "x.1.0", "x.1.0.0.from-1.patch"};
    for (const char* name : stale)
        install.Write(std::string("Update\\") + name, "old");
    for (const char* name : kept)
        install.Write(std::string("Update\\") + name, "kept");
    // The offered partial is resumed; only its entity's other file fails.
    provider::ServeFile("f/a.bin", 1000, 1);
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "1.0.2", 1000), Offer("b.bin", "/f/gone", "1.0.0", 9)}));
    RunThread(entities);
    for (const char* name : stale)
        EXPECT_FALSE(install.Exists(std::string("Update\\") + name)) << name;
    for (const char* name : kept)
        EXPECT_TRUE(install.Exists(std::string("Update\\") + name)) << name;
    EXPECT_TRUE(install.Exists("Update\\old.bin.1.0.0"));
}

TEST_F(DownloadThreadTest, VersionTooLongForTheRecordIsSkipped)
{
    provider::ServeFile("f/a.bin", 100, 1);
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "10000.10000.1000", 100)}));
    RunThread(entities);
    EXPECT_TRUE(provider::Log().empty());
    EXPECT_EQ(Record("a.bin"), "<none>");
}

TEST_F(DownloadThreadTest, MissingStagingDirectoryIsCreated)
{
    const std::string a = provider::ServeFile("f/a.bin", 100, 1);
    ASSERT_FALSE(install.Exists("Update"));
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "1.0.1", 100)}));
    RunThread(entities);
    EXPECT_EQ(install.Read("a.bin.uok"), a);
}

TEST_F(DownloadThreadTest, CompressedFileIsStagedAsDownloaded)
{
    const std::string z = provider::ServeFile("f/z.gz", 4000, 9);
    Update::File file = Offer("z.gz", "/f/z.gz", "1.0.1", 4000);
    file.SetCompressed();
    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {file}));
    RunThread(entities);
    EXPECT_EQ(install.Read("z.gz.uok"), z);
}

TEST_F(DownloadThreadTest, CutTransferIsResumedByTheNextRun)
{
    const std::string a = provider::ServeFile("f/a.bin", 40000, 3);
    provider::AddFault("/f/a.bin", "cut=20000", 1);
    {
        Update::EntityStack entities;
        entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "1.2.3", 40000)}));
        RunThread(entities);
    }
    EXPECT_EQ(Record("a.bin"), "<none>");
    EXPECT_FALSE(install.Exists("a.bin.uok"));
    const std::string partial = install.Read("Update\\a.bin.1.2.3");
    ASSERT_FALSE(partial.empty());
    EXPECT_EQ(partial, a.substr(0, partial.size()));

    Update::EntityStack entities;
    entities.Push(MakeEntity("e", {Offer("a.bin", "/f/a.bin", "1.2.3", 40000)}));
    RunThread(entities);
    const auto requests = provider::RequestsFor("/f/a.bin");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(partial.size()) + "-");
    EXPECT_EQ(install.Read("a.bin.uok"), a);
    EXPECT_EQ(Record("a.bin"), "1.2.3");
    EXPECT_EQ(install.Listing(), "Update\\\na.bin.uok\n");
}

TEST_F(DownloadThreadTest, OlderThanTheInstalledFileIsNotFetched)
{
    static_assert(TOVRIN_VERSION_MAJOR > 0, "the test offers an older major version");
    // Our own libraries carry the product's version resource.
    ASSERT_TRUE(CopyFileA((delivery::ProgramDirectory() + "\\Utils.dll").c_str(), install.Path("Utils.dll").c_str(),
                          FALSE));
    const std::string utils = provider::ServeFile("f/Utils.dll", 3000, 4);
    auto version = [](int major, int minor, int revision) {
        return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
    };
    const std::string older = version(TOVRIN_VERSION_MAJOR - 1, 9999, 9999);
    const std::string newer = version(TOVRIN_VERSION_MAJOR, TOVRIN_VERSION_MINOR, TOVRIN_VERSION_PATCH + 1);
    const std::string recordAboveFile = version(TOVRIN_VERSION_MAJOR + 1, 0, 0);
    struct Case {
        const char* what;
        std::string record;  // empty: none
        std::string offered;
        bool fetched;
    };
    // Regression: with no record, an older file was fetched and staged over
    // the installed one.
    const Case cases[] = {{"no record", "", older, false},
                          {"record below the file", "0.0.1", older, false},
                          {"record above the file", recordAboveFile, newer, false},
                          {"newer than both", "0.0.1", newer, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartOver();
        provider::ServeFile("f/Utils.dll", utils);
        if (!c.record.empty())
            probe::WriteText(probe::kVersionKey, "Utils.dll", c.record);
        Update::EntityStack entities;
        entities.Push(MakeEntity("e", {Offer("Utils.dll", "/f/Utils.dll", c.offered.c_str(), 3000)}));
        RunThread(entities);
        EXPECT_EQ(provider::RequestsFor("/f/Utils.dll").size(), c.fetched ? 1u : 0u);
        EXPECT_EQ(install.Exists("Utils.dll.uok"), c.fetched);
        EXPECT_EQ(Record("Utils.dll"), c.fetched ? c.offered : (c.record.empty() ? "<none>" : c.record));
    }
}

TEST_F(DownloadThreadTest, SetCutOffBetweenMarkerRenamesIsTakenBackByTheNextRun)
{
    // What a run ended between two renames leaves: the list and one marker,
    // whose version was never recorded.
    ASSERT_TRUE(CreateDirectoryA(install.Path("Update").c_str(), nullptr));
    install.Write("Update\\Staging.pending", "a.bin.uok\r\nb.bin.uok\r\nkeep.txt\nsub\\c.uok\n" +
                                                 std::string(300, 'x') + "d.bin.uok");
    install.Write("a.bin.uok", "half of a set");
    install.Write("keep.txt", "listed, but no marker");
    install.Write("d.bin.uok", "named only by an overlong line");
    install.Write("other.bin.uok", "a whole set's marker");
    Update::EntityStack entities;
    RunThread(entities);
    EXPECT_EQ(install.Listing(), "Update\\\nd.bin.uok\nkeep.txt\nother.bin.uok\n");
}

} // namespace
