// The swap of staged files in a scratch directory, with failures counted by
// a test reporter instead of a message box.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "switcher/StagedInstall.h"
#include "utils/ScopedHandle.h"

using switcher::InstallAllStaged;

namespace {

class StagedInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        char name[MAX_PATH];
        GetTempFileNameA(base, "swi", 0, name);
        DeleteFileA(name);
        ASSERT_TRUE(CreateDirectoryA(name, nullptr));
        dir = name;
    }
    void TearDown() override
    {
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &data);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = dir + "\\" + data.cFileName;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryA(path.c_str());
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &data));
            FindClose(search);
        }
        RemoveDirectoryA(dir.c_str());
    }

    std::string Path(const std::string& name) const { return dir + "\\" + name; }
    void Write(const std::string& name, const std::string& content) const
    {
        std::ofstream(Path(name), std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const
    {
        return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Open without sharing, as a running program holds its own file.
    FileHandle Hold(const std::string& name) const
    {
        return FileHandle(CreateFileA(Path(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    int Install()
    {
        return InstallAllStaged(dir.c_str(), [](const char* staged, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(staged);
        }, &reported);
    }

    std::string dir;
    std::vector<std::string> reported;
};

TEST_F(StagedInstallTest, ReplacesTargetAndLeavesNoBackupOrStagedFile)
{
    Write("Utils.dll", "old");
    Write("Utils.dll.uok", "new");
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("Utils.dll"), "new");
    EXPECT_FALSE(Exists("_tils.dll"));
    EXPECT_FALSE(Exists("Utils.dll.uok"));
    EXPECT_TRUE(reported.empty());
}

TEST_F(StagedInstallTest, NothingStagedDoesNothing)
{
    Write("Tovrin.exe", "program");
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("Tovrin.exe"), "program");
    EXPECT_TRUE(reported.empty());
}

TEST_F(StagedInstallTest, DirectoryWithTrailingBackslashIsAccepted)
{
    Write("a.dll", "old");
    Write("a.dll.uok", "new");
    EXPECT_EQ(InstallAllStaged((dir + "\\").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(Read("a.dll"), "new");
}

TEST_F(StagedInstallTest, LeftoverBackupIsReplacedBeforeTheSwap)
{
    Write("Utils.dll", "old");
    Write("_tils.dll", "stale backup");
    Write("Utils.dll.uok", "new");
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("Utils.dll"), "new");
    EXPECT_FALSE(Exists("_tils.dll"));
}

TEST_F(StagedInstallTest, MissingTargetIsReportedAndStagedFileDiscarded)
{
    Write("Gone.dll.uok", "new");
    EXPECT_EQ(Install(), 1);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], Path("Gone.dll.uok"));
    EXPECT_FALSE(Exists("Gone.dll"));
    EXPECT_FALSE(Exists("Gone.dll.uok"));
}

TEST_F(StagedInstallTest, CutOffSwapRestoresBackupThenInstalls)
{
    // The previous run ended after renaming Utils.dll to its backup.
    Write("_tils.dll", "old");
    Write("Utils.dll.uok", "new");
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("Utils.dll"), "new");
    EXPECT_FALSE(Exists("_tils.dll"));
    EXPECT_TRUE(reported.empty());
}

TEST_F(StagedInstallTest, CutOffSwapKeepsOldContentWhenTargetIsBusyAfterRestore)
{
    Write("_tils.dll", "old");
    Write("Utils.dll.uok", "new");
    // Holding the staged file open makes the second rename fail.
    FileHandle staged = Hold("Utils.dll.uok");
    ASSERT_TRUE(staged);
    EXPECT_EQ(Install(), 1);
    staged.Reset();
    EXPECT_EQ(Read("Utils.dll"), "old");
    EXPECT_EQ(Read("Utils.dll.uok"), "new");
    EXPECT_FALSE(Exists("_tils.dll"));
}

TEST_F(StagedInstallTest, UnderscoreTargetIsNeverItsOwnBackup)
{
    Write("_x.dll", "old");
    Write("_x.dll.uok", "new");
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("_x.dll"), "new");
    EXPECT_FALSE(Exists("__x.dll"));
    EXPECT_FALSE(Exists("_x.dll.uok"));
}

TEST_F(StagedInstallTest, BusyTargetKeepsOldContentAndStagedFile)
{
    Write("Tovrin.exe", "old");
    Write("Tovrin.exe.uok", "new");
    FileHandle held = Hold("Tovrin.exe");
    ASSERT_TRUE(held);
    EXPECT_EQ(Install(), 1);
    held.Reset();
    EXPECT_EQ(Read("Tovrin.exe"), "old");
    EXPECT_EQ(Read("Tovrin.exe.uok"), "new");
    EXPECT_FALSE(Exists("_ovrin.exe"));

    // The next exit of the dialler tries again.
    reported.clear();
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("Tovrin.exe"), "new");
    EXPECT_FALSE(Exists("Tovrin.exe.uok"));
}

TEST_F(StagedInstallTest, OneBusyTargetOfThreeDoesNotStopTheOthers)
{
    for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
        Write(name, "old");
        Write(std::string(name) + ".uok", std::string("new ") + name);
    }
    FileHandle held = Hold("b.dll");
    ASSERT_TRUE(held);
    EXPECT_EQ(Install(), 1);
    held.Reset();
    EXPECT_EQ(Read("a.dll"), "new a.dll");
    EXPECT_EQ(Read("b.dll"), "old");
    EXPECT_EQ(Read("c.dll"), "new c.dll");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], Path("b.dll.uok"));
}

TEST_F(StagedInstallTest, DirectoryNamedLikeStagedFileIsNotInstalled)
{
    Write("Tovrin.exe", "old");
    ASSERT_TRUE(CreateDirectoryA(Path("Tovrin.exe.uok").c_str(), nullptr));
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("Tovrin.exe"), "old");
    EXPECT_TRUE(Exists("Tovrin.exe.uok"));
}

TEST_F(StagedInstallTest, StagedFileNamedAfterTheStagingFolderNeverMovesIt)
{
    ASSERT_TRUE(CreateDirectoryA(Path("Update").c_str(), nullptr));
    Write("Update.uok", "file");
    EXPECT_EQ(Install(), 1);
    EXPECT_TRUE(GetFileAttributesA(Path("Update").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists("_pdate"));
    EXPECT_FALSE(Exists("Update.uok"));
}

TEST_F(StagedInstallTest, StagedFilesThatCanNeverBeInstalledAreDiscarded)
{
    // No target name; and a name whose full path exceeds 260 bytes.
    Write(".uok", "x");
    const std::wstring longDir = L"\\\\?\\" + std::wstring(dir.begin(), dir.end()) + L"\\" + std::wstring(240 - dir.size(), L'd');
    ASSERT_TRUE(CreateDirectoryW(longDir.c_str(), nullptr));
    const std::wstring longStaged = longDir + L"\\Tovrin.exe.uok";
    FileHandle(CreateFileW(longStaged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    const std::string shortDir = dir + "\\" + std::string(240 - dir.size(), 'd');

    EXPECT_EQ(Install(), 1);
    EXPECT_FALSE(Exists(".uok"));
    EXPECT_EQ(InstallAllStaged(shortDir.c_str(), nullptr, nullptr), 1);
    EXPECT_EQ(GetFileAttributesW(longStaged.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryW(longDir.c_str());
}

TEST_F(StagedInstallTest, BackupThatMayBelongToAnotherTargetIsNeverRestored)
{
    // _one.dll is the leftover backup of Bone.dll, not of the missing Gone.dll.
    Write("Bone.dll", "bone");
    Write("_one.dll", "old bone");
    Write("Gone.dll.uok", "new gone");
    EXPECT_EQ(Install(), 1);
    EXPECT_FALSE(Exists("Gone.dll"));
    EXPECT_FALSE(Exists("Gone.dll.uok"));
    EXPECT_EQ(Read("_one.dll"), "old bone");
    EXPECT_EQ(Read("Bone.dll"), "bone");
}

TEST_F(StagedInstallTest, StoppedAtAnyStepEveryTargetHoldsOldOrNewContent)
{
    using switcher::InstallStep;
    static InstallStep stopAt;
    static bool stopped;
    for (InstallStep step : {InstallStep::Restored, InstallStep::LeftoverRemoved, InstallStep::BackupMade,
                             InstallStep::Replaced}) {
        SCOPED_TRACE(static_cast<int>(step));
        // Utils.dll is whole; Praxel.dll was cut off by an earlier version
        // between its two renames.
        Write("Utils.dll", "old");
        Write("Utils.dll.uok", "new");
        Write("_raxel.dll", "old");
        Write("Praxel.dll.uok", "new");
        stopAt = step;
        stopped = false;
        switcher::SetStepHookForTest([](InstallStep reached) {
            if (stopped || reached != stopAt)
                return true;
            stopped = true;
            return false;
        });
        Install();
        switcher::SetStepHookForTest(nullptr);
        EXPECT_TRUE(stopped);
        for (const char* target : {"Utils.dll", "Praxel.dll"}) {
            const std::string content = Read(target);
            EXPECT_TRUE(content == "old" || content == "new") << target << ": '" << content << "'";
        }
        reported.clear();
        EXPECT_EQ(Install(), 0);
        EXPECT_EQ(Read("Utils.dll"), "new");
        EXPECT_EQ(Read("Praxel.dll"), "new");
        DeleteFileA(Path("Praxel.dll").c_str());
    }
}

TEST(StagedNames, TargetDropsOnlyTheLastExtension)
{
    char target[260];
    ASSERT_TRUE(switcher::TargetOfStaged("C:\\dir.x\\Utils.dll.uok", target, sizeof target));
    EXPECT_STREQ(target, "C:\\dir.x\\Utils.dll");
    EXPECT_FALSE(switcher::TargetOfStaged("C:\\dir.x\\noext", target, sizeof target));
    EXPECT_FALSE(switcher::TargetOfStaged("C:\\d\\Utils.dll.uok", target, 8));
}

TEST(StagedNames, BackupReplacesFirstCharacterOrAddsUnderscore)
{
    char backup[260];
    ASSERT_TRUE(switcher::BackupOfTarget("C:\\d\\Utils.dll", backup, sizeof backup));
    EXPECT_STREQ(backup, "C:\\d\\_tils.dll");
    ASSERT_TRUE(switcher::BackupOfTarget("C:\\d\\_tils.dll", backup, sizeof backup));
    EXPECT_STREQ(backup, "C:\\d\\__tils.dll");
    EXPECT_FALSE(switcher::BackupOfTarget("C:\\d\\_tils.dll", backup, 12));
}

} // namespace
