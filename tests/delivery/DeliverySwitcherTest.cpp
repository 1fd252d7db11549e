// switcher.exe as the dialler starts it: waiting for the dialler, files held
// open by another process, a swap that was cut off, a folder named in
// another script, a release containing switcher.exe itself, and a release
// whose dialler cannot start.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "DeliveryRun.h"
#include "DeliveryTest.h"

using namespace delivery;

namespace {

const char kErrorText[] = "Error while updating the application";
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

class DeliverySwitcherTest : public DeliveryTest {
protected:
    // Delivers Tovrin.exe (a program that passes its start-up check) through
    // the server and the download thread, so a marker waits beside the old
    // file.
    std::string StageTovrin()
    {
        const std::string content = ServeProgram("files/Tovrin.exe", 30000, 21);
        ServeManifest("one_file.xml", {{"Tovrin.exe", 30000}});
        install.Write("Tovrin.exe", "old dialler");
        EXPECT_TRUE(FetchAndDownload());
        EXPECT_TRUE(install.Exists("Tovrin.exe.uok"));
        return content;
    }

    std::map<std::string, std::string> StageThree()
    {
        std::map<std::string, std::string> content;
        unsigned int seed = 30;
        for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
            content[name] = provider::ServeFile(std::string("files/") + name, 5000 + seed, seed);
            install.Write(name, std::string("old ") + name);
            ++seed;
        }
        ServeManifest("three_files.xml", {{"a.dll", 5030}, {"b.dll", 5031}, {"c.dll", 5032}});
        EXPECT_TRUE(FetchAndDownload());
        return content;
    }
};

TEST_F(DeliverySwitcherTest, WaitsForTheDiallerToEndBeforeInstalling)
{
    const std::string content = StageTovrin();
    DiallerStub dialler(1000);
    const SwitcherRun run = RunSwitcher(std::to_string(dialler.Id()));
    EXPECT_EQ(run.exitCode, 0u);
    // It ended by itself, so switcher waited for it rather than ending it.
    ASSERT_TRUE(dialler.Wait(0));
    EXPECT_EQ(dialler.ExitCode(), 0u);
    EXPECT_GE(run.elapsedMs, 800u);
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, DiallerStillRunningAfter15SecondsIsEnded)
{
    const std::string content = StageTovrin();
    DiallerStub dialler(120000);
    const SwitcherRun run = RunSwitcher(std::to_string(dialler.Id()));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_GE(run.elapsedMs, 14500u);
    EXPECT_LT(run.elapsedMs, 40000u);
    ASSERT_TRUE(dialler.Wait(5000));
    EXPECT_EQ(dialler.ExitCode(), 0xFFFFFFFFu);
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
}

TEST_F(DeliverySwitcherTest, EmptyArgumentOrEndedProcessMeansNoWait)
{
    const std::string content = StageTovrin();
    DiallerStub alive(30000);
    SwitcherRun run = RunSwitcher("\"\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_LT(run.elapsedMs, 10000u);
    EXPECT_FALSE(alive.Wait(0));
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);

    DiallerStub ended(0);
    ASSERT_TRUE(ended.Wait(10000));
    run = RunSwitcher(std::to_string(ended.Id()));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_LT(run.elapsedMs, 10000u);
}

TEST_F(DeliverySwitcherTest, WaitsForARunAlreadyUnderWayBeforeInstalling)
{
    // A run resumed at log-on may still be busy when an exiting dialler
    // starts another.
    const std::string content = StageTovrin();
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread otherRun([held] {
        HANDLE lock = CreateMutexW(nullptr, TRUE, L"Local\\TovrinSwitcher");
        SetEvent(held);
        Sleep(1500);
        ReleaseMutex(lock);
        CloseHandle(lock);
    });
    WaitForSingleObject(held, 5000);
    const SwitcherRun run = RunSwitcher("\"\"");
    otherRun.join();
    CloseHandle(held);
    EXPECT_GE(run.elapsedMs, 1400u);
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
}

TEST_F(DeliverySwitcherTest, TargetHeldOpenKeepsOldContentAndStagedFileUntilNextRun)
{
    const std::string content = StageTovrin();
    {
        DiallerStub holder(60000, install.Path("Tovrin.exe"));
        ASSERT_TRUE(WaitUntilHeld(install.Path("Tovrin.exe")));
        MessageBoxWatcher boxes;
        EXPECT_EQ(RunSwitcher("").exitCode, 0u);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kErrorText});
        // The holder shares nothing, so look only once it has gone.
        holder.End();
        EXPECT_EQ(install.Read("Tovrin.exe"), "old dialler");
        EXPECT_TRUE(install.Read("Tovrin.exe.uok") == content);
        EXPECT_FALSE(install.Exists("_ovrin.exe"));
    }
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, SecondOfThreeHeldInstallsNoneAndShowsOneMessage)
{
    auto content = StageThree();
    {
        DiallerStub holder(60000, install.Path("b.dll"));
        ASSERT_TRUE(WaitUntilHeld(install.Path("b.dll")));
        MessageBoxWatcher boxes;
        EXPECT_EQ(RunSwitcher("").exitCode, 0u);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kErrorText});
        holder.End();
        for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
            EXPECT_EQ(install.Read(name), std::string("old ") + name);
            EXPECT_TRUE(install.Read(std::string(name) + ".uok") == content[name]);
        }
    }
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    for (const char* name : {"a.dll", "b.dll", "c.dll"})
        EXPECT_TRUE(install.Read(name) == content[name]) << name;
    EXPECT_EQ(install.Listing(), "Update\\\na.dll\nb.dll\nc.dll\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, StagedFileWithoutTargetIsInstalledAsNewFile)
{
    const std::string content = StageTovrin();
    DeleteFileA(install.Path("Tovrin.exe").c_str());
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, ReleaseContainingTheSwitcherInstallsThroughItself)
{
    // The running switcher.exe cannot be replaced in one step; a release
    // always brings one, with its own version.
    const std::string fresh = WithFileVersion(ReadProgramFile("switcher.exe"), 7);
    ASSERT_NE(fresh, ReadProgramFile("switcher.exe"));
    install.Write("Utils.dll", "old utils");
    install.Write("Utils.dll.uok", "new utils");
    install.Write("switcher.exe.uok", fresh);
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(install.Read("switcher.exe") == fresh);
    EXPECT_EQ(install.Read("Utils.dll"), "new utils");
    EXPECT_EQ(probe::ReadText(kRunOnceKey, "TovrinSwitcher"), std::nullopt);

    // The new switcher starts, and removes the old image it was renamed to.
    EXPECT_EQ(RunInstalledSwitcher("--startup-check").exitCode, 0u);
    EXPECT_EQ(RunInstalledSwitcher("").exitCode, 0u);
    EXPECT_EQ(install.Listing(), "Utils.dll\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, StagedFileOlderThanItsTargetIsNeverInstalled)
{
    // Left by an older release under a newer installation.
    const std::string older = WithFileVersion(ReadProgramFile("switcher.exe"), 0);
    ASSERT_NE(older, ReadProgramFile("switcher.exe"));
    install.Write("switcher.exe.uok", older);
    install.Write("Utils.dll", "old utils");
    install.Write("Utils.dll.uok", "new utils");
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(install.Read("switcher.exe") == ReadProgramFile("switcher.exe"));
    EXPECT_EQ(install.Read("Utils.dll"), "new utils");
    EXPECT_EQ(install.Listing(), "Utils.dll\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, ReleaseWhoseDiallerFailsItsStartupCheckIsPutBack)
{
    // A whole release: the running switcher's own file comes back too.
    const std::string content = StageTovrin();
    install.Write("Utils.dll", "old utils");
    install.Write("Utils.dll.uok", "new utils");
    install.Write("switcher.exe.uok", WithFileVersion(ReadProgramFile("switcher.exe"), 7));
    SetEnvironmentVariableA("DELIVERY_STUB_CHECK_EXIT", "3");
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    SetEnvironmentVariableA("DELIVERY_STUB_CHECK_EXIT", nullptr);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kErrorText});
    EXPECT_EQ(install.Read("Tovrin.exe"), "old dialler");
    EXPECT_EQ(install.Read("Utils.dll"), "old utils");
    EXPECT_TRUE(install.Read("switcher.exe") == ReadProgramFile("switcher.exe"));
    EXPECT_EQ(probe::ReadText(kRunOnceKey, "TovrinSwitcher"), std::nullopt);

    // Nothing of it stays staged, so the next exit shows nothing.
    EXPECT_EQ(RunInstalledSwitcher("").exitCode, 0u);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nUtils.dll\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, DiallerRunningMeanwhileKeepsEverythingStaged)
{
    const std::string content = StageTovrin();
    // As a dialler started again after the one switcher waited for.
    HANDLE instance = CreateMutexW(nullptr, TRUE, L"tovrin:Mutex:Instance");
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    ReleaseMutex(instance);
    CloseHandle(instance);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(install.Read("Tovrin.exe"), "old dialler");
    EXPECT_TRUE(install.Read("Tovrin.exe.uok") == content);
}

TEST_F(DeliverySwitcherTest, SwapCutOffBetweenRenamesIsRecovered)
{
    const std::string content = StageTovrin();
    // As if an earlier switcher had moved the target to its backup and then
    // been stopped before the second rename.
    ASSERT_TRUE(MoveFileA(install.Path("Tovrin.exe").c_str(), install.Path("_ovrin.exe").c_str()));
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(install.Read("Tovrin.exe") == content);
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nUpdate\\\nswitcher.exe\n");
}

TEST_F(DeliverySwitcherTest, FolderNamedOutsideTheAnsiCodePageIsInstalledAndResumeCleared)
{
    namespace fs = std::filesystem;
    // A profile folder in Cyrillic on a Western code page has no narrow name.
    const fs::path folder = fs::path(install.Dir()) / L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b";
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, nullptr, 0, nullptr, &lossy);
    ASSERT_TRUE(lossy);
    ASSERT_TRUE(fs::create_directory(folder));
    std::ofstream(folder / "Tovrin.exe", std::ios::binary) << "old";
    // A program, since the new dialler is started there in its check mode.
    const std::string fresh = ReadProgramFile("delivery_dialler_stub.exe");
    std::ofstream(folder / "Tovrin.exe.uok", std::ios::binary) << fresh;
    // As the dialler registers it before starting the switcher.
    probe::WriteText(kRunOnceKey, "TovrinSwitcher", "\"switcher.exe\" \"\"");

    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("\"\"").exitCode, 0u);
    SetCurrentDirectoryA(install.Dir().c_str());
    EXPECT_TRUE(boxes.Texts().empty());
    std::ifstream in(folder / "Tovrin.exe", std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) == fresh);
    in.close();
    EXPECT_FALSE(fs::exists(folder / "Tovrin.exe.uok"));
    EXPECT_EQ(probe::ReadText(kRunOnceKey, "TovrinSwitcher"), std::nullopt);
}

TEST_F(DeliverySwitcherTest, NoStagedFilesChangesNothing)
{
    install.Write("Tovrin.exe", "current");
    MessageBoxWatcher boxes;
    EXPECT_EQ(RunSwitcher("").exitCode, 0u);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(install.Listing(), "Tovrin.exe\nswitcher.exe\n");
}

} // namespace
