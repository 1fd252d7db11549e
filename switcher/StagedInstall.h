#pragma once
// Swaps staged "name.uok" files over their targets in one directory, keeping
// a backup of each target until its swap has succeeded.
#include <cstddef>

namespace switcher {

// How one staged file ended.
enum class InstallOutcome {
    Installed,      // the target now holds the staged content
    TargetMissing,  // no regular file to replace: the staged file is discarded
    TargetBusy,     // the target could not be replaced: the staged file is kept
    Unusable        // no target name, or a path over 260 bytes: discarded
};

// Points at which a test can stop an install as if the process had died
// there; the hook returns false to stop.
enum class InstallStep { Restored, LeftoverRemoved, BackupMade, Replaced };
typedef bool (*StepHook)(InstallStep step);
void SetStepHookForTest(StepHook hook);

// Called once for every staged file that failed to install.
typedef void (*FailureReport)(const char* stagedPath, void* context);

// The target of a staged path: the path without its last extension.
bool TargetOfStaged(const char* stagedPath, char* target, std::size_t targetSize);

// The backup name of a target: the first character of its file name becomes
// "_"; a name that already starts with "_" gets one more in front, so the
// backup can never be the target itself.
bool BackupOfTarget(const char* target, char* backup, std::size_t backupSize);

InstallOutcome InstallStagedFile(const char* stagedPath);

// Installs every "*.uok" file of directory, in listing order, reporting each
// failure. Returns the number of failures.
int InstallAllStaged(const char* directory, FailureReport report, void* context);

} // namespace switcher
