#include "StagedInstall.h"

#include <windows.h>

#include <cwchar>

#include "FileSteps.h"
#include "FileVersion.h"
#include "HeapList.h"
#include "PathText.h"
#include "ResumeAtLogOn.h"
#include "StartupCheck.h"
#include "utils/ConnectionLog.h"
#include "SwapJournal.h"
#include "utils/ScopedHandle.h"

namespace switcher {

namespace {

const wchar_t kStagedPattern[] = L"*.uok";
// Present while the download side renames a set's downloads into staged
// files: the set is not whole yet.
const wchar_t kPendingName[] = L"Update\\Staging.pending";
const wchar_t kSwitcherName[] = L"switcher.exe";

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

enum class Prepared { Ready, Discard, Older, Busy, Stopped };

// Works out the target of a staged file and checks it can take part.
Prepared Prepare(const wchar_t* stagedPath, SwapEntry& entry, const wchar_t* switcherPath)
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
    // A release may bring a file the installation does not have yet.
    if (!Present(entry.target)) {
        entry.added = true;
        return Prepared::Ready;
    }
    if (!IsRegularFile(entry.target))
        return Prepared::Discard;
    if (IsOlderThanTarget(stagedPath, entry.target))
        return Prepared::Older;
    entry.mapped = switcherPath && lstrcmpiW(entry.target, switcherPath) == 0;
    return Prepared::Ready;
}

// The staged name with its last character made "_": only this switcher
// makes such names, the journal records which was taken, and "*.uok" never
// lists it.
void OtherBackupName(SwapEntry& entry)
{
    PathText(entry.backup, kPathBuffer).Add(entry.staged);
    entry.backup[std::wcslen(entry.backup) - 1] = L'_';
}

// The target's own backup name, unless a file there may be another target's
// only copy or an earlier entry of this set took it; then the other name.
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
    if (!usable)
        OtherBackupName(entry);
    return true;
}

// The target stays in place at every instant: the backup is a copy.
Prepared MakeBackup(SwapEntry& entry, const SwapSet& set)
{
    if (entry.added)
        return Prepared::Ready;
    if (!ChooseBackup(entry, set)) {
        entry.backup[0] = L'\0';
        return Prepared::Busy;
    }
    // A leftover that cannot go (a program still running from it) never
    // blocks the install: the backup takes the other name.
    if (!RemoveFile(entry.backup)) {
        OtherBackupName(entry);
        if (!RemoveFile(entry.backup)) {
            entry.backup[0] = L'\0';
            return Prepared::Busy;
        }
    }
    if (!Continue(InstallStep::LeftoverRemoved))
        return Prepared::Stopped;
    if (!CopyDurably(entry.target, entry.backup, true)) {
        RemoveFile(entry.backup);
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
    wchar_t asides[kPathBuffer];
};

bool IsSwitcherFile(const SwapEntry& entry)
{
    return entry.mapped || lstrcmpiW(NameOf(entry.target), kSwitcherName) == 0;
}

// Where a run cut off at log-off is resumed from. While the set replaces
// the switcher's own file there is an instant with no file under its name;
// its backup, a whole copy of the old program, exists at every step.
const wchar_t* ResumeProgram(const SwapSet& set, const wchar_t* switcherPath)
{
    for (const SwapEntry& entry : set) {
        if (IsSwitcherFile(entry) && !entry.added && entry.backup[0] != L'\0' && Present(entry.backup))
            return entry.backup;
    }
    return switcherPath;
}

void RegisterResume(const SwapSet& set, const wchar_t* switcherPath)
{
    if (switcherPath)
        RegisterResumeAtLogOn(ResumeProgram(set, switcherPath));
}

// The switcher's own file goes in last and comes back last, so at every
// step before it the set has a switcher that can finish the work.
void PutSwitcherLast(SwapSet& set)
{
    SwapEntry* last = set.end() - 1;
    for (SwapEntry& entry : set) {
        if (&entry != last && IsSwitcherFile(entry)) {
            const SwapEntry moved = entry;
            entry = *last;
            *last = moved;
            return;
        }
    }
}

// Leftovers of earlier runs: programs renamed aside while they ran.
void RemoveAsides(const Folder& folder)
{
    WIN32_FIND_DATAW data;
    FindHandle search(FindFirstFileW(folder.asides, &data));
    if (!search)
        return;
    do {
        wchar_t path[kPathBuffer];
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            InFolder(folder.directory, data.cFileName, path, kPathBuffer))
            RemoveFile(path);
    } while (FindNextFileW(search.Get(), &data));
}

bool StartsUp(const Folder& folder, const SwapSet& set)
{
    for (const SwapEntry& entry : set) {
        if (HasStartupCheck(NameOf(entry.target)) && !CheckStartup(entry.target, folder.directory)) {
            tovrinlog::Write("%ls failed its start-up check: the release is put back", NameOf(entry.target));
            return false;
        }
    }
    return true;
}

// Every target of the set holds its new content. The backups go only once
// the new programs have shown they start; a release that cannot start is
// put back and its staged files dropped (its versions are recorded, so it is
// not fetched again, while a later release still is).
RunEnd FinishWholeSet(const Folder& folder, SwapSet& set, Failures& failures)
{
    if (StartsUp(folder, set)) {
        CommitSwaps(set, folder.journal);
        return RunEnd::Finished;
    }
    bool stopped = false;
    const bool undone = UndoSwaps(set, &stopped);
    if (stopped)
        return RunEnd::Stopped;
    for (const SwapEntry& entry : set)
        failures.Add(entry.staged);
    if (!undone)
        return RunEnd::JournalKept;
    // Staged files before the journal: a journal naming none is harmless.
    for (const SwapEntry& entry : set)
        RemoveFile(entry.staged);
    DeleteFileW(folder.journal);
    return RunEnd::Finished;
}

// An earlier run was cut off with its journal in place. A set whose every
// target was replaced is whole and only loses its backups; any other goes
// back to old targets with their staged files.
RunEnd PutBackEarlierSet(const Folder& folder, const wchar_t* switcherPath, Failures& failures)
{
    SwapSet earlier;
    if (!ReadJournal(folder.directory, folder.journal, earlier)) {
        failures.Add(folder.journal);
        return RunEnd::JournalKept;
    }
    // Windows deletes a log-on entry before it runs it; a run resumed there
    // and cut off again needs it back.
    RegisterResume(earlier, switcherPath);
    bool anyStaged = false;
    for (const SwapEntry& entry : earlier)
        anyStaged = anyStaged || Present(entry.staged);
    if (!anyStaged)
        return FinishWholeSet(folder, earlier, failures);
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
    // Durable before committed: the journal may only name staged files
    // whose content is on the disk.
    for (const SwapEntry& entry : set) {
        if (busy)
            break;
        ClearReadOnly(entry.staged);
        busy = !FlushFile(entry.staged);
    }
    if (!busy)
        RegisterResume(set, switcherPath);
    if (!busy && !WriteJournal(folder.journal, set)) {
        DeleteFileW(folder.journal);
        busy = true;
    }
    if (busy) {
        for (const SwapEntry& entry : set) {
            if (!entry.added && entry.backup[0] != L'\0')
                RemoveFile(entry.backup);
            failures.Add(entry.staged);
        }
        return RunEnd::Finished;
    }
    if (!Continue(InstallStep::JournalWritten))
        return RunEnd::Stopped;

    bool whole = true;
    bool stopped = false;
    for (SwapEntry& entry : set) {
        wchar_t aside[kPathBuffer];
        AsideOf(entry.staged, aside);
        if (!PutInPlace(entry.staged, entry.target, aside, entry.mapped, &stopped)) {
            if (stopped)
                return RunEnd::Stopped;
            whole = false;
            break;
        }
        entry.state = SwapState::Replaced;
        if (!Continue(InstallStep::Replaced))
            return RunEnd::Stopped;
    }
    if (whole)
        return FinishWholeSet(folder, set, failures);
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
        const RunEnd earlier = PutBackEarlierSet(folder, switcherPath, failures);
        if (earlier != RunEnd::Finished)
            return earlier;
    }
    RemoveAsides(folder);
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
        entry.added = false;
        entry.mapped = false;
        wchar_t stagedPath[kPathBuffer];
        const bool fits = InFolder(folder.directory, found.name, stagedPath, kPathBuffer);
        const Prepared prepared = fits ? Prepare(stagedPath, entry, switcherPath) : Prepared::Discard;
        if (prepared == Prepared::Stopped)
            return RunEnd::Stopped;
        if (prepared == Prepared::Older) {
            // Left by an older release under a newer installation: never
            // installed, and nothing the user could act on.
            RemoveFile(stagedPath);
            continue;
        }
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
    PutSwitcherLast(set);
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
    if (!InFolder(directory, kAsidePattern, folder.asides, kPathBuffer))
        folder.asides[0] = L'\0';
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
