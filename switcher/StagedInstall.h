#pragma once
// Swaps staged "name.uok" files over their targets in one directory as one
// transaction: our programs share classes whose layout changes between
// releases, so a folder holding files of two releases may not start, and a
// dialler that cannot start cannot fetch the fix. The download side turns a
// release into staged files only once it is whole, so every staged file
// present at one run belongs in together.
#include <cstddef>

namespace switcher {

// Points at which a test can stop an install as if the process had died
// there; the hook returns false to stop.
enum class InstallStep {
    Restored,        // an old-style cut-off backup was renamed back
    LeftoverRemoved, // a stale backup was deleted
    BackupMade,      // one target's backup copy is whole
    JournalWritten,
    MovedAside,      // a target that may be running was renamed aside
    Replaced,        // one target holds its new content
    NewContentKept,  // undo: a replaced target's new content is back under its staged name
    Undone           // undo: one target holds its old content again
};
typedef bool (*StepHook)(InstallStep step);
void SetStepHookForTest(StepHook hook);

// Called once for every staged file that was not installed, and with the
// journal's path when an earlier cut-off set could not be put back.
typedef void (*FailureReport)(const wchar_t* path, void* context);

// The target of a staged path: the path without its last extension.
bool TargetOfStaged(const wchar_t* stagedPath, wchar_t* target, std::size_t targetSize);

// The backup name of a target: the first character of its file name becomes
// "_"; a name that already starts with "_" gets one more in front, so the
// backup can never be the target itself.
bool BackupOfTarget(const wchar_t* target, wchar_t* backup, std::size_t backupSize);

// Installs every "*.uok" file of directory, all or none, after first
// putting back a set an earlier run left mixed. Nothing is installed while
// "Update\Staging.pending" says a set is still being staged. A staged file
// with no target is added as a new file; one older than its target (by
// version resource) is discarded unreported; one that can never install
// (unusable name, a folder in the way) is discarded and reported. If any
// target cannot be replaced, or a new program fails its start-up check,
// every target keeps its old content; in the first case every staged file
// stays for the next exit, in the second the set's staged files are
// dropped. The switcher's own file (switcherPath) is renamed aside, since
// Windows will not replace a running program. With switcherPath,
// the switcher is registered to resume at the next log-on while targets are
// being replaced, and unregistered once the run is over. Returns the number
// of failures reported.
int InstallAllStaged(const wchar_t* directory, const wchar_t* switcherPath, FailureReport report, void* context);

} // namespace switcher
