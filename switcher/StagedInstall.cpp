#include "StagedInstall.h"

#include <windows.h>

#include <cwchar>

#include "FileSteps.h"
#include "HeapList.h"
#include "PathText.h"
#include "ResumeAtLogOn.h"
#include "SwapJournal.h"
#include "utils/ScopedHandle.h"

namespace switcher {

namespace {

const wchar_t kStagedPattern[] = L"*.uok";
// Present while the download side renames a set's downloads into staged
// files: the set is not whole yet.
const wchar_t kPendingName[] = L"Update\\Staging.pending";

struct FoundName {
    wchar_t name[MAX_PATH];
};

// Targets that differ only in their first character share one backup name.
// True when a file other than this target and its staged file could own the
// backup, so the backup is not known to hold this target's old content.
bool BackupMayBelongToAnother(const wchar_t* target, const wchar_t* backup, const wchar_t* staged)
{
    const std::size_t nameStart = static_cast<std::size_t>(NameOf(target) - target);
    wchar_t pattern[kPathBuffer];
    if (!PathText(pattern, kPathBuffer).Add(target, nameStart).Add(L"?").Add(target + nameStart + 1).Add(L"*").Fits())
        return true;
    WIN32_FIND_DATAW data;
    FindHandle search(FindFirstFileW(pattern, &data));
    if (!search)
        return false;
    const std::size_t restLength = std::wcslen(target + nameStart + 1);
    do {
        const wchar_t* found = data.cFileName;
        const wchar_t* tail = found + 1 + restLength;
        // Only "?rest" and "?rest.uok" claim this backup.
        if (std::wcslen(found) < 1 + restLength || (*tail != L'\0' && lstrcmpiW(tail, L".uok") != 0))
            continue;
        if (lstrcmpiW(found, NameOf(target)) == 0 || lstrcmpiW(found, NameOf(backup)) == 0 ||
            lstrcmpiW(found, NameOf(staged)) == 0)
            continue;
        return true;
    } while (FindNextFileW(search.Get(), &data));
    return false;
}

// Collects the names before any rename, so files renamed during the install
// can neither be seen twice nor confuse the directory listing.
bool ListStaged(const wchar_t* pattern, HeapList<FoundName>& found)
{
    WIN32_FIND_DATAW data;
    FindHandle search(FindFirstFileW(pattern, &data));
    if (!search)
        return true;
    do {
        // A directory that happens to match is no staged file; moving it over
        // a target would replace a program file with a folder.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        FoundName* added = found.Add();
        if (!added)
            return false;
        PathText(added->name, MAX_PATH).Add(data.cFileName);
    } while (FindNextFileW(search.Get(), &data));
    return true;
}

// A staged name whose full path does not fit 260 characters can still be
// deleted through the long-path form.
void DeleteLongPath(const wchar_t* directory, const wchar_t* name)
{
    wchar_t path[3 * kPathBuffer];
    if (PathText(path, 4 + 1).Add(L"\\\\?\\").Fits() && InFolder(directory, name, path + 4, 3 * kPathBuffer - 4))
        DeleteFileW(path);
}

class Failures {
public:
    Failures(FailureReport report, void* context) : report(report), context(context) {}
    void Add(const wchar_t* path)
    {
        ++count;
        if (report)
            report(path, context);
    }
    int Count() const { return count; }

private:
    FailureReport report;
    void* context;
    int count = 0;
};

enum class Prepared { Ready, Discard, Busy, Stopped };

// Works out the target of a staged file and checks it can take part.
Prepared Prepare(const wchar_t* stagedPath, SwapEntry& entry)
{
    wchar_t backup[kPathBuffer];
    if (!PathText(entry.staged, kPathBuffer).Add(stagedPath).Fits() ||
        !TargetOfStaged(stagedPath, entry.target, kPathBuffer) ||
        !BackupOfTarget(entry.target, backup, kPathBuffer))
        return Prepared::Discard;

    // Earlier versions renamed the target away before moving the staged file
    // in; one cut off there left the old content only under the backup name.
    // Put it back, unless the backup may be another target's.
    if (!Present(entry.target) && Present(backup) && !BackupMayBelongToAnother(entry.target, backup, stagedPath)) {
        if (!MoveFileW(backup, entry.target))
            return Prepared::Busy;
        if (!Continue(InstallStep::Restored))
            return Prepared::Stopped;
    }
    return IsRegularFile(entry.target) ? Prepared::Ready : Prepared::Discard;
}

// The target's own backup name, unless a file there may be another target's
// only copy or an earlier entry of this set took it. Then the staged name
// with its last character made "_": only this switcher makes such names, the
// journal records which was taken, and "*.uok" never lists it.
bool ChooseBackup(SwapEntry& entry, const SwapSet& set)
{
    if (!BackupOfTarget(entry.target, entry.backup, kPathBuffer))
        return false;
    bool usable = !Present(entry.backup) || !BackupMayBelongToAnother(entry.target, entry.backup, entry.staged);
    for (const SwapEntry& earlier : set) {
        if (&earlier == &entry)
            break;
        if (lstrcmpiW(earlier.backup, entry.backup) == 0)
            usable = false;
    }
    if (usable)
        return true;
    PathText(entry.backup, kPathBuffer).Add(entry.staged);
    entry.backup[std::wcslen(entry.backup) - 1] = L'_';
    return true;
}

// The target stays in place at every instant: the backup is a copy.
Prepared MakeBackup(SwapEntry& entry, const SwapSet& set)
{
    if (!ChooseBackup(entry, set)) {
        entry.backup[0] = L'\0';
        return Prepared::Busy;
    }
    DeleteFileW(entry.backup);
    if (!Continue(InstallStep::LeftoverRemoved))
        return Prepared::Stopped;
    if (!CopyDurably(entry.target, entry.backup, true)) {
        DeleteFileW(entry.backup);
        entry.backup[0] = L'\0';
        return Prepared::Busy;
    }
    return Continue(InstallStep::BackupMade) ? Prepared::Ready : Prepared::Stopped;
}

enum class RunEnd { Finished, JournalKept, Stopped };

struct Folder {
    const wchar_t* directory;
    wchar_t journal[kPathBuffer];
    wchar_t pending[kPathBuffer];
    wchar_t pattern[kPathBuffer];
};

// An earlier run was cut off with its journal in place. A set whose every
// target was replaced is whole and only loses its backups; any other goes
// back to old targets with their staged files.
RunEnd PutBackEarlierSet(const Folder& folder, Failures& failures)
{
    SwapSet earlier;
    ReadJournal(folder.directory, folder.journal, earlier);
    bool anyStaged = false;
    for (const SwapEntry& entry : earlier)
        anyStaged = anyStaged || Present(entry.staged);
    if (!anyStaged) {
        CommitSwaps(earlier, folder.journal);
        return RunEnd::Finished;
    }
    bool stopped = false;
    if (UndoSwaps(earlier, &stopped)) {
        DeleteFileW(folder.journal);
        return RunEnd::Finished;
    }
    if (stopped)
        return RunEnd::Stopped;
    failures.Add(folder.journal);
    return RunEnd::JournalKept;
}

// Backups of every target, then the journal, then one replace per target.
// A target that cannot be replaced puts every one already replaced back.
RunEnd SwapSetIn(const Folder& folder, SwapSet& set, const wchar_t* switcherPath, Failures& failures)
{
    bool busy = false;
    for (SwapEntry& entry : set) {
        const Prepared backup = MakeBackup(entry, set);
        if (backup == Prepared::Stopped)
            return RunEnd::Stopped;
        if (backup == Prepared::Busy) {
            busy = true;
            break;
        }
    }
    if (!busy && switcherPath)
        RegisterResumeAtLogOn(switcherPath);
    if (!busy && !WriteJournal(folder.journal, set)) {
        DeleteFileW(folder.journal);
        busy = true;
    }
    if (busy) {
        for (const SwapEntry& entry : set) {
            if (entry.backup[0] != L'\0')
                DeleteFileW(entry.backup);
            failures.Add(entry.staged);
        }
        return RunEnd::Finished;
    }
    if (!Continue(InstallStep::JournalWritten))
        return RunEnd::Stopped;

    bool whole = true;
    for (SwapEntry& entry : set) {
        if (!ReplaceWith(entry.staged, entry.target)) {
            whole = false;
            break;
        }
        entry.state = SwapState::Replaced;
        if (!Continue(InstallStep::Replaced))
            return RunEnd::Stopped;
    }
    if (whole) {
        CommitSwaps(set, folder.journal);
        return RunEnd::Finished;
    }
    bool stopped = false;
    const bool undone = UndoSwaps(set, &stopped);
    if (stopped)
        return RunEnd::Stopped;
    if (undone)
        DeleteFileW(folder.journal);
    for (const SwapEntry& entry : set)
        failures.Add(entry.staged);
    return undone ? RunEnd::Finished : RunEnd::JournalKept;
}

RunEnd InstallIn(const Folder& folder, const wchar_t* switcherPath, Failures& failures)
{
    if (Present(folder.journal)) {
        const RunEnd earlier = PutBackEarlierSet(folder, failures);
        if (earlier != RunEnd::Finished)
            return earlier;
    }
    if (Present(folder.pending))
        return RunEnd::Finished;

    HeapList<FoundName> names;
    // A listing cut short by the heap would split the set.
    if (!ListStaged(folder.pattern, names))
        return RunEnd::Finished;
    SwapSet set;
    bool busy = false;
    for (const FoundName& found : names) {
        SwapEntry entry;
        entry.state = SwapState::NotReplaced;
        entry.backup[0] = L'\0';
        wchar_t stagedPath[kPathBuffer];
        const bool fits = InFolder(folder.directory, found.name, stagedPath, kPathBuffer);
        const Prepared prepared = fits ? Prepare(stagedPath, entry) : Prepared::Discard;
        if (prepared == Prepared::Stopped)
            return RunEnd::Stopped;
        if (prepared == Prepared::Discard) {
            // No old file to mix with, and kept it would bring the same
            // message at every exit.
            failures.Add(fits ? stagedPath : found.name);
            if (fits)
                DeleteFileW(stagedPath);
            else
                DeleteLongPath(folder.directory, found.name);
            continue;
        }
        SwapEntry* added = prepared == Prepared::Ready ? set.Add() : nullptr;
        if (added) {
            *added = entry;
            continue;
        }
        busy = true;
        failures.Add(stagedPath);
    }
    if (busy) {
        for (const SwapEntry& entry : set)
            failures.Add(entry.staged);
        return RunEnd::Finished;
    }
    if (set.Count() == 0)
        return RunEnd::Finished;
    return SwapSetIn(folder, set, switcherPath, failures);
}

} // namespace

bool TargetOfStaged(const wchar_t* stagedPath, wchar_t* target, std::size_t targetSize)
{
    const wchar_t* slash = std::wcsrchr(stagedPath, L'\\');
    const wchar_t* dot = std::wcsrchr(stagedPath, L'.');
    if (!dot || (slash && dot < slash))
        return false;
    const std::size_t length = static_cast<std::size_t>(dot - stagedPath);
    if (length == 0 || length >= targetSize)
        return false;
    std::wmemcpy(target, stagedPath, length);
    target[length] = L'\0';
    return true;
}

bool BackupOfTarget(const wchar_t* target, wchar_t* backup, std::size_t backupSize)
{
    const wchar_t* slash = std::wcsrchr(target, L'\\');
    const std::size_t nameStart = slash ? static_cast<std::size_t>(slash - target) + 1 : 0;
    if (target[nameStart] == L'\0')
        return false;
    PathText text(backup, backupSize);
    if (target[nameStart] == L'_') {
        text.Add(target, nameStart).Add(L"_").Add(target + nameStart);
    } else {
        text.Add(target);
        if (text.Fits())
            backup[nameStart] = L'_';
    }
    return text.Fits();
}

int InstallAllStaged(const wchar_t* directory, const wchar_t* switcherPath, FailureReport report, void* context)
{
    Folder folder;
    folder.directory = directory;
    if (!InFolder(directory, kStagedPattern, folder.pattern, kPathBuffer))
        return 0;
    // Where these names do not fit, neither side can have made the files:
    // an empty path is never present, and a journal that cannot be written
    // keeps the set staged.
    if (!InFolder(directory, kJournalName, folder.journal, kPathBuffer))
        folder.journal[0] = L'\0';
    if (!InFolder(directory, kPendingName, folder.pending, kPathBuffer))
        folder.pending[0] = L'\0';
    Failures failures(report, context);
    const RunEnd end = InstallIn(folder, switcherPath, failures);
    // A set left mixed is resumed at the next log-on as well as at the next
    // exit of the dialler.
    if (switcherPath && end == RunEnd::Finished)
        ClearResumeAtLogOn();
    else if (switcherPath && end == RunEnd::JournalKept)
        RegisterResumeAtLogOn(switcherPath);
    return failures.Count();
}

} // namespace switcher
