// The swap of staged files in a scratch directory, with failures counted by
// a test reporter instead of a message box.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "RegistryProbe.h"
#include "ScratchDirectory.h"
#include "switcher/StagedInstall.h"
#include "switcher/StartupCheck.h"
#include "utils/ScopedHandle.h"

using switcher::InstallAllStaged;

namespace {

const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kRunOnceValue[] = "TovrinSwitcher";

// The scratch paths are ASCII, so a widening copy is their UTF-16 form.
std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// Stands in for starting a program in its check mode: fails for the file
// named failingCheck, and notes what each checked file held at the time.
std::string failingCheck;
std::vector<std::string> checked;

bool CheckForTest(const wchar_t* path, const wchar_t*)
{
    std::ifstream in(path, std::ios::binary);
    checked.push_back(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    const wchar_t* slash = wcsrchr(path, L'\\');
    return failingCheck != std::string(slash + 1, slash + 1 + wcslen(slash + 1));
}

class StagedInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        failingCheck.clear();
        checked.clear();
        switcher::SetStartupCheckForTest(CheckForTest);
        dir = scratch::MakeDirectory("swi");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        scratch::RemoveTree(dir);
        ClearResume();
        switcher::SetStartupCheckForTest(nullptr);
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
    // Open without sharing, as a running program holds its own file; with
    // read sharing the backup copy can still be made and only the replace
    // fails.
    FileHandle Hold(const std::string& name, DWORD share = 0) const
    {
        return FileHandle(CreateFileA(Path(name).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    // Every name in the folder, sorted, one a line.
    std::string Listing() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        FindHandle search(FindFirstFileA((dir + "\\*").c_str(), &data));
        if (search) {
            do {
                if (data.cFileName[0] != '.')
                    names.push_back(data.cFileName);
            } while (FindNextFileA(search.Get(), &data));
        }
        std::sort(names.begin(), names.end());
        std::string text;
        for (const std::string& name : names)
            text += name + "\n";
        return text;
    }
    int Install()
    {
        const std::wstring switcherPath = Wide(Path("switcher.exe"));
        return InstallAllStaged(Wide(dir).c_str(), switcherPath.c_str(), [](const wchar_t* staged, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(std::string(staged, staged + wcslen(staged)));
        }, &reported);
    }
    static bool ResumeRegistered() { return probe::ReadText(kRunOnceKey, kRunOnceValue).has_value(); }
    // The log-on entry names a program that is there to start.
    static bool ResumeStarts()
    {
        const std::string command = probe::ReadText(kRunOnceKey, kRunOnceValue).value_or("");
        const size_t end = command.find('"', 1);
        return end != std::string::npos &&
               GetFileAttributesA(command.substr(1, end - 1).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    static void ClearResume()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunOnceKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, kRunOnceValue);
            RegCloseKey(key);
        }
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
    EXPECT_EQ(InstallAllStaged(Wide(dir + "\\").c_str(), nullptr, nullptr, nullptr), 0);
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

TEST_F(StagedInstallTest, MissingTargetIsAddedAsPartOfItsSet)
{
    // A release that brings a new file: it goes in with the others or not
    // at all.
    Write("a.dll", "old");
    Write("a.dll.uok", "new");
    Write("Gone.dll.uok", "new");
    FileHandle held = Hold("a.dll", FILE_SHARE_READ);
    ASSERT_TRUE(held);
    EXPECT_EQ(Install(), 2);
    held.Reset();
    EXPECT_EQ(Listing(), "Gone.dll.uok\na.dll\na.dll.uok\n");

    reported.clear();
    EXPECT_EQ(Install(), 0);
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Read("Gone.dll"), "new");
    EXPECT_EQ(Listing(), "Gone.dll\na.dll\n");
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

TEST_F(StagedInstallTest, OneBusyTargetOfThreeInstallsNoneUntilAllCan)
{
    for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
        Write(name, std::string("old ") + name);
        Write(std::string(name) + ".uok", std::string("new ") + name);
    }
    // The listing is by name, so a.dll is replaced before b.dll refuses and
    // has to be put back.
    FileHandle held = Hold("b.dll", FILE_SHARE_READ);
    ASSERT_TRUE(held);
    EXPECT_EQ(Install(), 3);
    held.Reset();
    EXPECT_EQ(Listing(), "a.dll\na.dll.uok\nb.dll\nb.dll.uok\nc.dll\nc.dll.uok\n");
    for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
        EXPECT_EQ(Read(name), std::string("old ") + name);
        EXPECT_EQ(Read(std::string(name) + ".uok"), std::string("new ") + name);
    }
    EXPECT_FALSE(ResumeRegistered());

    reported.clear();
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Listing(), "a.dll\nb.dll\nc.dll\n");
    for (const char* name : {"a.dll", "b.dll", "c.dll"})
        EXPECT_EQ(Read(name), std::string("new ") + name);
}

TEST_F(StagedInstallTest, TargetsSharingABackupNameEachGetTheirOldContentBack)
{
    // bone.dll and gone.dll both have the backup name _one.dll.
    for (const char* name : {"bone.dll", "gone.dll", "zed.dll"}) {
        Write(name, std::string("old ") + name);
        Write(std::string(name) + ".uok", std::string("new ") + name);
    }
    FileHandle held = Hold("zed.dll", FILE_SHARE_READ);
    ASSERT_TRUE(held);
    EXPECT_EQ(Install(), 3);
    held.Reset();
    EXPECT_EQ(Read("bone.dll"), "old bone.dll");
    EXPECT_EQ(Read("gone.dll"), "old gone.dll");
    EXPECT_EQ(Listing(), "bone.dll\nbone.dll.uok\ngone.dll\ngone.dll.uok\nzed.dll\nzed.dll.uok\n");
}

TEST_F(StagedInstallTest, SetStillBeingStagedWaitsForTheNextExit)
{
    Write("a.dll", "old");
    Write("a.dll.uok", "new");
    ASSERT_TRUE(CreateDirectoryA(Path("Update").c_str(), nullptr));
    Write("Update\\Staging.pending", "");
    probe::WriteText(kRunOnceKey, kRunOnceValue, "\"switcher.exe\" \"\"");
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("a.dll"), "old");
    EXPECT_EQ(Read("a.dll.uok"), "new");
    EXPECT_FALSE(ResumeRegistered());
    DeleteFileA(Path("Update\\Staging.pending").c_str());
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
    const std::wstring longStaged = longDir + L"\\TovrinWithALongName.exe.uok";
    FileHandle(CreateFileW(longStaged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    const std::string shortDir = dir + "\\" + std::string(240 - dir.size(), 'd');

    EXPECT_EQ(Install(), 1);
    EXPECT_FALSE(Exists(".uok"));
    EXPECT_EQ(InstallAllStaged(Wide(shortDir).c_str(), nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(GetFileAttributesW(longStaged.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryW(longDir.c_str());
}

TEST_F(StagedInstallTest, BackupThatMayBelongToAnotherTargetIsNeverRestored)
{
    // _one.dll is the leftover backup of Bone.dll, not of the missing Gone.dll.
    Write("Bone.dll", "bone");
    Write("_one.dll", "old bone");
    Write("Gone.dll.uok", "new gone");
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Read("Gone.dll"), "new gone");
    EXPECT_FALSE(Exists("Gone.dll.uok"));
    EXPECT_EQ(Read("_one.dll"), "old bone");
    EXPECT_EQ(Read("Bone.dll"), "bone");
}

TEST_F(StagedInstallTest, CutOffAtAnyStepNoSetStaysMixed)
{
    // Every point at which log-off could end the process, in turn: with all
    // targets free; with the last one held so the run has to put the others
    // back; and with the new switcher failing its start-up check. Utils.dll
    // is whole; Praxel.dll was cut off by an earlier version between its two
    // renames; Added.dll is new in this release; switcher.exe is the running
    // switcher's own file.
    static int calls;
    static int stopAt;
    const char* targets[] = {"Utils.dll", "Praxel.dll", "c.dll", "switcher.exe"};
    enum Mode { Free, Held, CheckFails };
    for (const Mode mode : {Free, Held, CheckFails}) {
        for (stopAt = 1;; ++stopAt) {
            SCOPED_TRACE(std::to_string(stopAt) + " mode " + std::to_string(mode));
            DeleteFileA(Path("Praxel.dll").c_str());
            DeleteFileA(Path("Added.dll").c_str());
            for (const char* target : {"Utils.dll", "c.dll", "switcher.exe"})
                Write(target, "old");
            Write("_raxel.dll", "old");
            for (const char* target : targets)
                Write(std::string(target) + ".uok", "new");
            Write("Added.dll.uok", "new");
            failingCheck = mode == CheckFails ? "switcher.exe" : "";
            FileHandle held = mode == Held ? Hold("c.dll", FILE_SHARE_READ) : FileHandle();
            calls = 0;
            switcher::SetStepHookForTest([](switcher::InstallStep) { return ++calls != stopAt; });
            Install();
            switcher::SetStepHookForTest(nullptr);
            held.Reset();
            if (calls < stopAt)
                break;

            bool anyNew = Exists("Added.dll");
            bool anyStaged = Exists("Added.dll.uok");
            for (const char* target : targets) {
                // The switcher's own file may be missing for the instant
                // between its rename aside and the move in.
                if (!Exists(target) && std::string(target) == "switcher.exe")
                    continue;
                const std::string content = Exists(target) ? Read(target) : Read("_raxel.dll");
                EXPECT_TRUE(content == "old" || content == "new") << target << ": '" << content << "'";
                anyNew = anyNew || content == "new";
                anyStaged = anyStaged || Exists(std::string(target) + ".uok");
            }
            // A mixed set is always one the next run, or the next log-on,
            // puts right; and the log-on entry can always start.
            if (anyNew && anyStaged) {
                EXPECT_TRUE(Exists("switcher.journal"));
                EXPECT_TRUE(ResumeStarts());
            }
            if (!Exists("switcher.exe")) {
                EXPECT_TRUE(ResumeStarts());
            }
            // Resumed at log-on: Windows has deleted the entry before
            // running it, and a second cut-off must find it again.
            ClearResume();
            static bool unregisteredPutBack;
            unregisteredPutBack = false;
            switcher::SetStepHookForTest([](switcher::InstallStep step) {
                if (step == switcher::InstallStep::NewContentKept || step == switcher::InstallStep::Undone)
                    unregisteredPutBack = unregisteredPutBack || !ResumeRegistered();
                return true;
            });
            reported.clear();
            EXPECT_EQ(Install() > 0, mode == CheckFails);
            switcher::SetStepHookForTest(nullptr);
            EXPECT_FALSE(unregisteredPutBack);
            // What the rename aside left is removed by a later run.
            Install();
            const std::string expected = mode == CheckFails ? "old" : "new";
            EXPECT_EQ(Listing(), mode == CheckFails ? "Praxel.dll\nUtils.dll\nc.dll\nswitcher.exe\n"
                                                    : "Added.dll\nPraxel.dll\nUtils.dll\nc.dll\nswitcher.exe\n");
            for (const char* target : targets)
                EXPECT_EQ(Read(target), expected) << target;
            EXPECT_FALSE(ResumeRegistered());
        }
        EXPECT_GT(stopAt, 5);
    }
}

TEST_F(StagedInstallTest, ReleaseFailingItsStartupCheckIsPutBackAndDropped)
{
    Write("Tovrin.exe", "old dialler");
    Write("Tovrin.exe.uok", "new dialler");
    Write("Utils.dll", "old");
    Write("Utils.dll.uok", "new");
    Write("Added.dll.uok", "new");
    failingCheck = "Tovrin.exe";
    EXPECT_EQ(Install(), 3);
    // Checked where it runs, beside the new libraries.
    EXPECT_EQ(checked, std::vector<std::string>{"new dialler"});
    EXPECT_EQ(Read("Tovrin.exe"), "old dialler");
    EXPECT_EQ(Read("Utils.dll"), "old");
    EXPECT_EQ(Listing(), "Tovrin.exe\nUtils.dll\n");
    EXPECT_FALSE(ResumeRegistered());
}

TEST_F(StagedInstallTest, ReadOnlyTargetInstallsTwiceAndLeftoverBackupNeverBlocks)
{
    Write("Utils.dll", "old");
    for (const std::string round : {"1", "2"}) {
        SCOPED_TRACE(round);
        SetFileAttributesA(Path("Utils.dll").c_str(), FILE_ATTRIBUTE_READONLY);
        Write("Utils.dll.uok", "new " + round);
        FileHandle leftover;
        if (round == "2") {
            // A read-only leftover backup that cannot even be deleted.
            Write("_tils.dll", "stale");
            SetFileAttributesA(Path("_tils.dll").c_str(), FILE_ATTRIBUTE_READONLY);
            leftover = Hold("_tils.dll");
            ASSERT_TRUE(leftover);
        }
        EXPECT_EQ(Install(), 0);
        EXPECT_EQ(Read("Utils.dll"), "new " + round);
        EXPECT_EQ(Listing(), round == "1" ? "Utils.dll\n" : "Utils.dll\n_tils.dll\n");
    }
}

TEST_F(StagedInstallTest, UnreadableJournalIsACutOffRunNeverAFinishedOne)
{
    Write("a.dll", "new");
    Write("a.dll.uok", "newer");
    Write("_.dll", "old");
    Write("switcher.journal", "");
    FileHandle held = Hold("switcher.journal");
    ASSERT_TRUE(held);
    EXPECT_EQ(Install(), 1);
    held.Reset();
    EXPECT_EQ(Listing(), "_.dll\na.dll\na.dll.uok\nswitcher.journal\n");
    EXPECT_TRUE(ResumeRegistered());
}

TEST_F(StagedInstallTest, ResumeIsRegisteredOnlyWhileTargetsAreBeingReplaced)
{
    Write("a.dll", "old");
    Write("a.dll.uok", "new");
    static bool registeredAtReplace;
    registeredAtReplace = false;
    switcher::SetStepHookForTest([](switcher::InstallStep step) {
        if (step == switcher::InstallStep::Replaced)
            registeredAtReplace = ResumeRegistered();
        return true;
    });
    EXPECT_EQ(Install(), 0);
    switcher::SetStepHookForTest(nullptr);
    EXPECT_TRUE(registeredAtReplace);
    EXPECT_FALSE(ResumeRegistered());
    EXPECT_EQ(probe::ReadText(kRunOnceKey, kRunOnceValue), std::nullopt);
}

TEST(StagedNames, TargetDropsOnlyTheLastExtension)
{
    wchar_t target[260];
    ASSERT_TRUE(switcher::TargetOfStaged(L"C:\\dir.x\\Utils.dll.uok", target, 260));
    EXPECT_STREQ(target, L"C:\\dir.x\\Utils.dll");
    EXPECT_FALSE(switcher::TargetOfStaged(L"C:\\dir.x\\noext", target, 260));
    EXPECT_FALSE(switcher::TargetOfStaged(L"C:\\d\\Utils.dll.uok", target, 8));
}

TEST(StagedNames, BackupReplacesFirstCharacterOrAddsUnderscore)
{
    wchar_t backup[260];
    ASSERT_TRUE(switcher::BackupOfTarget(L"C:\\d\\Utils.dll", backup, 260));
    EXPECT_STREQ(backup, L"C:\\d\\_tils.dll");
    ASSERT_TRUE(switcher::BackupOfTarget(L"C:\\d\\_tils.dll", backup, 260));
    EXPECT_STREQ(backup, L"C:\\d\\__tils.dll");
    EXPECT_FALSE(switcher::BackupOfTarget(L"C:\\d\\_tils.dll", backup, 12));
}

} // namespace
