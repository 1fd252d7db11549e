// Whole releases of all five programs, published with publish-release.py as
// a provider publishes them, fetched by the real dialler and installed by
// the real switcher as the dialler exits; and a release whose dialler
// cannot start, undone.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "DiallerInstallation.h"
#include "MessageBoxes.h"
#include "ProviderControl.h"
#include "RegistryProbe.h"
#include "ShippedProgramsTest.h"
#include "WindowSearch.h"
#include "dialler/res/resource.h"
#include "utils/ScopedHandle.h"

using guidriver::WaitUntil;

namespace {

const char* const kPrograms[] = {"Tovrin.exe", "Praxel.dll", "Utils.dll", "Tallyview.dll", "switcher.exe"};
const char kUpdateBox[] = "Tovrin Update";
const char kScenario[] =
    "device type=modem name=\"Standard 56000 bps Modem\"\n"
    "hangup ms=200\n"
    "default states=0,1,2,3,4,5,14 step=100 result=connect\n";

std::string Record(const char* name)
{
    return probe::ReadText(probe::kVersionKey, name).value_or("<none>");
}

// One release as make-releases.py left it.
struct Release {
    std::string name;
    std::string version;
    std::string answer;
    std::map<std::string, std::string> files;  // program name: bytes
};

Release LoadRelease(const std::string& name)
{
    const std::string folder = guidriver::WindowsPath(RELEASES_DIR) + "\\";
    Release release{name, ReadWhole(folder + name + ".version"), ReadWhole(folder + name + ".xml"), {}};
    const std::string files = folder + name + "\\files\\";
    for (const char* program : kPrograms) {
        const std::string bytes = ReadWhole(files + program);
        if (!bytes.empty())
            release.files[program] = bytes;
    }
    return release;
}

// Puts the release's files and forms on the server and offers it, with
// extraFirst (entities) before its own in the answer.
void Publish(const Release& release, const std::string& extraFirst = "")
{
    const std::string web = guidriver::WindowsPath(RELEASES_DIR) + "\\web\\" + release.name + "\\";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((web + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                provider::ServeFile("files/" + release.name + "/" + data.cFileName, ReadWhole(web + data.cFileName));
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    std::string answer = release.answer;
    for (size_t at; (at = answer.find("@URL@")) != std::string::npos;)
        answer.replace(at, 5, provider::BaseUrl());
    answer.insert(answer.find("<config>") + 8, extraFirst);
    provider::SetAnswer("update", answer);
}

size_t RunningSwitchers()
{
    size_t running = 0;
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry))
        running += _stricmp(entry.szExeFile, "switcher.exe") == 0;
    return running;
}

size_t FileRequests(const std::string& prefix)
{
    size_t count = 0;
    for (const provider::LoggedRequest& request : provider::Log())
        count += request.path.rfind(prefix, 0) == 0;
    return count;
}

class ReleaseTest : public ShippedProgramsTest {
protected:
    ReleaseTest() : ShippedProgramsTest(kScenario) {}

    void SetUp() override
    {
        ShippedProgramsTest::SetUp();
        if (HasFatalFailure())
            return;
        base = LoadRelease("base");
        ASSERT_EQ(base.files.size(), 5u) << "the releases were not made";
        // What the installer records: the customer has the first release,
        // so each later one comes as patches.
        for (const char* program : kPrograms)
            probe::WriteText(probe::kVersionKey, program,
                             ReadWhole(guidriver::WindowsPath(RELEASES_DIR) + "\\base.version"));
    }

    void TearDown() override
    {
        if (dialler)
            dialler->Terminate();
        WaitUntil([] { return RunningSwitchers() == 0; }, 60000);
        ShippedProgramsTest::TearDown();
    }

    bool Exists(const std::string& name) const { return GetFileAttributesA(File(name).c_str()) != INVALID_FILE_ATTRIBUTES; }

    // Waits until the download thread has staged and recorded every file of
    // the release.
    bool Staged(const Release& release) const
    {
        return WaitUntil(
            [&] {
                for (const auto& file : release.files)
                    if (!Exists(file.first + ".uok") || Record(file.first.c_str()) != release.version)
                        return false;
                return true;
            },
            120000);
    }

    // Ends the connection and the dialler as a user does, then waits for
    // switcher to finish, answering its boxes; returns their texts.
    std::vector<std::string> ExitAndWaitForSwitcher()
    {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(guidriver::AnswerMessageBox("Tovrin", dialler->Id(), IDOK, 10000).text, "Break connection?");
        EXPECT_NE(dialler->WaitForExit(30000), STILL_ACTIVE) << "the dialler did not exit";
        std::vector<std::string> boxes;
        EXPECT_TRUE(WaitUntil(
            [&] {
                const guidriver::MessageBoxSeen box = guidriver::WaitForMessageBox(kUpdateBox, 0, 0);
                if (box.box) {
                    boxes.push_back(box.text);
                    guidriver::PressMessageBoxButton(box.box, IDOK);
                    WaitUntil([&] { return !IsWindow(box.box); }, 5000);
                }
                return RunningSwitchers() == 0;
            },
            120000))
            << "switcher is still running";
        return boxes;
    }

    size_t StagedCount() const
    {
        size_t count = 0;
        for (const char* program : kPrograms)
            count += Exists(std::string(program) + ".uok");
        return count + Exists("Update\\Staging.pending");
    }

    void ExpectInstalled(const Release& release) const
    {
        for (const auto& file : release.files)
            EXPECT_TRUE(ReadWhole(File(file.first)) == file.second) << file.first << " is not " << release.name << "'s";
    }

    Release base;
};

TEST_F(ReleaseTest, TwoWholeReleasesInstallOneAfterTheOther)
{
    StartDialler();
    for (const char* name : {"r1", "r2"}) {
        SCOPED_TRACE(name);
        const Release release = LoadRelease(name);
        ASSERT_EQ(release.files.size(), 5u);
        Publish(release);
        Connect();
        ASSERT_TRUE(Staged(release)) << "the download thread did not stage the whole release";

        EXPECT_EQ(ExitAndWaitForSwitcher(), std::vector<std::string>{});
        ExpectInstalled(release);
        EXPECT_EQ(StagedCount(), 0u);
        // The new dialler starts, and is the one that fetches the next.
        StartDialler();
    }
    // Each release came as patches from the one before.
    EXPECT_EQ(FileRequests("/files/r1/") + FileRequests("/files/r2/"), 10u);
}

TEST_F(ReleaseTest, ReleaseWhoseDiallerCannotStartIsUndone)
{
    const Release bad = LoadRelease("bad");
    ASSERT_EQ(bad.files.size(), 2u);
    Publish(bad);
    StartDialler();
    Connect();
    ASSERT_TRUE(Staged(bad));
    const size_t fetched = FileRequests("/files/bad/");

    const std::vector<std::string> boxes = ExitAndWaitForSwitcher();
    EXPECT_EQ(boxes, std::vector<std::string>{"Error while updating the application"});
    ExpectInstalled(base);
    EXPECT_EQ(StagedCount(), 0u);

    // The old programs start and connect. The same release is still offered,
    // after an entity whose file, processed last, tells when the download
    // thread has passed over it.
    provider::ServeFile("files/canary.txt", "canary\r\n");
    std::ofstream(File("canary.txt"), std::ios::binary) << "before";
    Publish(bad, "<entity name=\"notes\"><file name=\"canary.txt\" url=\"" + provider::FileUrl("files/canary.txt") +
                     "\" version=\"1.0.1\" size=\"8\" compressed=\"no\"/></entity>");
    StartDialler();
    Connect();
    ASSERT_TRUE(WaitUntil([&] { return Record("canary.txt") == "1.0.1"; }, 60000));
    EXPECT_EQ(FileRequests("/files/bad/"), fetched) << "the undone release was fetched again";
    EXPECT_FALSE(Exists("Tovrin.exe.uok"));
    EXPECT_FALSE(Exists("Praxel.dll.uok"));
}

} // namespace
