#include "StagedInstall.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "PathText.h"
#include "utils/ScopedHandle.h"

namespace switcher {

namespace {

const std::size_t kPathBuffer = 260;
const char kStagedPattern[] = "*.uok";

struct FoundName {
    char name[MAX_PATH];
};

bool Present(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Only a regular file is a target: a folder moved away would take, for one,
// the staging folder with it and make every later download fail.
bool IsRegularFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

StepHook stepHook = nullptr;

// False when a test has asked to stop here, as if the process had died.
bool Continue(InstallStep step)
{
    return !stepHook || stepHook(step);
}

const char* NameOf(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// Targets that differ only in their first character share one backup name.
// True when a file other than this target and its staged file could own the
// backup, so the backup is not known to hold this target's old content.
bool BackupMayBelongToAnother(const char* target, const char* backup, const char* staged)
{
    const std::size_t nameStart = static_cast<std::size_t>(NameOf(target) - target);
    char pattern[kPathBuffer];
    if (!PathText(pattern, sizeof pattern).Add(target, nameStart).Add("?").Add(target + nameStart + 1).Add("*").Fits())
        return true;
    WIN32_FIND_DATAA data;
    FindHandle search(FindFirstFileA(pattern, &data));
    if (!search)
        return false;
    const std::size_t restLength = std::strlen(target + nameStart + 1);
    do {
        const char* found = data.cFileName;
        const char* tail = found + 1 + restLength;
        // Only "?rest" and "?rest.uok" claim this backup.
        if (std::strlen(found) < 1 + restLength || (*tail != '\0' && lstrcmpiA(tail, ".uok") != 0))
            continue;
        if (lstrcmpiA(found, NameOf(target)) == 0 || lstrcmpiA(found, NameOf(backup)) == 0 ||
            lstrcmpiA(found, NameOf(staged)) == 0)
            continue;
        return true;
    } while (FindNextFileA(search.Get(), &data));
    return false;
}

// The names found, on the process heap (the switcher does without the C++
// library, see PathText.h). When the heap refuses more, the listing ends
// there: the rest stays staged for a later exit.
class StagedNames {
public:
    StagedNames() = default;
    ~StagedNames()
    {
        if (names)
            HeapFree(GetProcessHeap(), 0, names);
    }
    StagedNames(const StagedNames&) = delete;
    StagedNames& operator=(const StagedNames&) = delete;

    bool Add(const char* name)
    {
        if (count == capacity) {
            const std::size_t grown = capacity ? capacity * 2 : 16;
            if (grown > SIZE_MAX / sizeof(FoundName))
                return false;
            void* more = names ? HeapReAlloc(GetProcessHeap(), 0, names, grown * sizeof(FoundName))
                               : HeapAlloc(GetProcessHeap(), 0, grown * sizeof(FoundName));
            if (!more)
                return false;
            names = static_cast<FoundName*>(more);
            capacity = grown;
        }
        lstrcpynA(names[count++].name, name, sizeof names[0].name);
        return true;
    }

    const FoundName* begin() const { return names; }
    const FoundName* end() const { return names + count; }

private:
    FoundName* names = nullptr;
    std::size_t count = 0;
    std::size_t capacity = 0;
};

// Collects the names before any rename, so files renamed during the install
// can neither be seen twice nor confuse the directory listing.
void ListStaged(const char* pattern, StagedNames& found)
{
    WIN32_FIND_DATAA data;
    FindHandle search(FindFirstFileA(pattern, &data));
    if (!search)
        return;
    do {
        // A directory that happens to match is no staged file; moving it over
        // a target would replace a program file with a folder.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!found.Add(data.cFileName))
            return;
    } while (FindNextFileA(search.Get(), &data));
}

// A staged name whose full path does not fit 260 bytes can still be
// deleted through the long-path form of the wide functions.
void DeleteLongPath(const char* directory, const char* separator, const char* name)
{
    char path[3 * kPathBuffer];
    if (!PathText(path, sizeof path).Add("\\\\?\\").Add(directory).Add(separator).Add(name).Fits())
        return;
    wchar_t widePath[3 * kPathBuffer];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, static_cast<int>(sizeof widePath / sizeof widePath[0])))
        DeleteFileW(widePath);
}

} // namespace

bool TargetOfStaged(const char* stagedPath, char* target, std::size_t targetSize)
{
    const char* slash = std::strrchr(stagedPath, '\\');
    const char* dot = std::strrchr(stagedPath, '.');
    if (!dot || (slash && dot < slash))
        return false;
    const std::size_t length = static_cast<std::size_t>(dot - stagedPath);
    if (length == 0 || length >= targetSize)
        return false;
    std::memcpy(target, stagedPath, length);
    target[length] = '\0';
    return true;
}

bool BackupOfTarget(const char* target, char* backup, std::size_t backupSize)
{
    const char* slash = std::strrchr(target, '\\');
    const std::size_t nameStart = slash ? static_cast<std::size_t>(slash - target) + 1 : 0;
    if (target[nameStart] == '\0')
        return false;
    PathText text(backup, backupSize);
    if (target[nameStart] == '_') {
        text.Add(target, nameStart).Add("_").Add(target + nameStart);
    } else {
        text.Add(target);
        if (text.Fits())
            backup[nameStart] = '_';
    }
    return text.Fits();
}

void SetStepHookForTest(StepHook hook)
{
    stepHook = hook;
}

InstallOutcome InstallStagedFile(const char* stagedPath)
{
    char target[kPathBuffer];
    char backup[kPathBuffer];
    if (!TargetOfStaged(stagedPath, target, sizeof target) || !BackupOfTarget(target, backup, sizeof backup))
        return InstallOutcome::Unusable;

    // Earlier versions renamed the target away before moving the staged file
    // in; one cut off there left the old content only under the backup name.
    // Put it back, unless the backup may be another target's.
    const bool backupShared = Present(backup) && BackupMayBelongToAnother(target, backup, stagedPath);
    if (!Present(target) && Present(backup) && !backupShared) {
        if (!MoveFileA(backup, target))
            return InstallOutcome::TargetBusy;
        if (!Continue(InstallStep::Restored))
            return InstallOutcome::TargetBusy;
    }

    if (!IsRegularFile(target))
        return InstallOutcome::TargetMissing;

    // The target stays in place at every instant: the backup is a copy, and
    // the staged file replaces the target in one step. A shared leftover
    // backup is left alone, as it may be the only copy of another target.
    const bool makeBackup = !backupShared;
    if (makeBackup) {
        DeleteFileA(backup);
        if (!Continue(InstallStep::LeftoverRemoved))
            return InstallOutcome::TargetBusy;
        if (!CopyFileA(target, backup, TRUE)) {
            DeleteFileA(backup);
            return InstallOutcome::TargetBusy;
        }
        if (!Continue(InstallStep::BackupMade))
            return InstallOutcome::TargetBusy;
    }
    const bool replaced = MoveFileExA(stagedPath, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (replaced && !Continue(InstallStep::Replaced))
        return InstallOutcome::Installed;
    // May fail while another process still runs the old file; the next
    // install of this file removes it.
    if (makeBackup)
        DeleteFileA(backup);
    return replaced ? InstallOutcome::Installed : InstallOutcome::TargetBusy;
}

int InstallAllStaged(const char* directory, FailureReport report, void* context)
{
    const std::size_t length = std::strlen(directory);
    const char* separator = (length > 0 && directory[length - 1] == '\\') ? "" : "\\";
    char pattern[kPathBuffer];
    if (!PathText(pattern, sizeof pattern).Add(directory).Add(separator).Add(kStagedPattern).Fits())
        return 0;

    StagedNames staged;
    ListStaged(pattern, staged);
    int failures = 0;
    for (const FoundName& found : staged) {
        char stagedPath[kPathBuffer];
        const bool fits = PathText(stagedPath, sizeof stagedPath).Add(directory).Add(separator).Add(found.name).Fits();
        const InstallOutcome outcome = fits ? InstallStagedFile(stagedPath) : InstallOutcome::Unusable;
        if (outcome == InstallOutcome::Installed)
            continue;
        ++failures;
        if (report)
            report(fits ? stagedPath : found.name, context);
        // Only a busy target may take its staged file at a later exit; any
        // other would bring the same message at every exit.
        if (outcome == InstallOutcome::TargetBusy)
            continue;
        if (fits)
            DeleteFileA(stagedPath);
        else
            DeleteLongPath(directory, separator, found.name);
    }
    return failures;
}

} // namespace switcher
