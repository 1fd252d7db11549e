#include "StagedInstall.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "utils/ScopedHandle.h"

namespace switcher {

namespace {

const std::size_t kPathBuffer = 260;
const char kStagedPattern[] = "*.uok";

struct FoundName {
    char name[MAX_PATH];
};

bool Exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Collects the names before any rename, so files renamed during the install
// can neither be seen twice nor confuse the directory listing.
std::vector<FoundName> ListStaged(const char* pattern)
{
    std::vector<FoundName> found;
    WIN32_FIND_DATAA data;
    FindHandle search(FindFirstFileA(pattern, &data));
    if (!search)
        return found;
    do {
        // A directory that happens to match is no staged file; moving it over
        // a target would replace a program file with a folder.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        FoundName entry;
        std::snprintf(entry.name, sizeof entry.name, "%s", data.cFileName);
        found.push_back(entry);
    } while (FindNextFileA(search.Get(), &data));
    return found;
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
    int written;
    if (target[nameStart] == '_') {
        written = std::snprintf(backup, backupSize, "%.*s_%s", static_cast<int>(nameStart), target,
                                target + nameStart);
    } else {
        written = std::snprintf(backup, backupSize, "%s", target);
        if (written > 0 && static_cast<std::size_t>(written) < backupSize)
            backup[nameStart] = '_';
    }
    return written > 0 && static_cast<std::size_t>(written) < backupSize;
}

InstallOutcome InstallStagedFile(const char* stagedPath)
{
    char target[kPathBuffer];
    char backup[kPathBuffer];
    if (!TargetOfStaged(stagedPath, target, sizeof target) || !BackupOfTarget(target, backup, sizeof backup))
        return InstallOutcome::PathTooLong;

    // A run that ended between the two renames left the old content only
    // under the backup name: put it back before anything deletes the backup.
    if (!Exists(target) && Exists(backup) && !MoveFileA(backup, target))
        return InstallOutcome::TargetBusy;

    if (!Exists(target))
        return InstallOutcome::TargetMissing;

    // A leftover of an earlier install; the target still exists, so this is
    // never the only copy.
    DeleteFileA(backup);

    if (!MoveFileA(target, backup)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? InstallOutcome::TargetMissing : InstallOutcome::TargetBusy;
    }
    if (MoveFileA(stagedPath, target)) {
        // May fail while another process still runs the old file; the next
        // install of this file removes it.
        DeleteFileA(backup);
        return InstallOutcome::Installed;
    }
    // Should this fail too, the backup is the only copy left and the next
    // run restores it.
    MoveFileA(backup, target);
    return InstallOutcome::TargetBusy;
}

int InstallAllStaged(const char* directory, FailureReport report, void* context)
{
    const std::size_t length = std::strlen(directory);
    const char* separator = (length > 0 && directory[length - 1] == '\\') ? "" : "\\";
    char pattern[kPathBuffer];
    const int patternLength = std::snprintf(pattern, sizeof pattern, "%s%s%s", directory, separator, kStagedPattern);
    if (patternLength < 0 || static_cast<std::size_t>(patternLength) >= sizeof pattern)
        return 0;

    int failures = 0;
    for (const FoundName& found : ListStaged(pattern)) {
        char stagedPath[kPathBuffer];
        const int pathLength = std::snprintf(stagedPath, sizeof stagedPath, "%s%s%s", directory, separator, found.name);
        const bool fits = pathLength > 0 && static_cast<std::size_t>(pathLength) < sizeof stagedPath;
        const InstallOutcome outcome = fits ? InstallStagedFile(stagedPath) : InstallOutcome::PathTooLong;
        if (outcome == InstallOutcome::Installed)
            continue;
        ++failures;
        if (report)
            report(fits ? stagedPath : found.name, context);
        // A staged file without a target can never be installed. One whose
        // target was busy stays for the next exit of the dialler.
        if (outcome == InstallOutcome::TargetMissing)
            DeleteFileA(stagedPath);
    }
    return failures;
}

} // namespace switcher
