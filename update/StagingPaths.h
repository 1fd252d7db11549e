#pragma once
// The local paths of one offered file, relative to the installation
// directory (the current directory).
#include <cstddef>

namespace Update {

const std::size_t kLocalPathBuffer = 260;

struct StagingPaths {
    char download[kLocalPathBuffer];  // .\Update\<name>.<version>
    char staged[kLocalPathBuffer];    // .\Update\<name>
    char marker[kLocalPathBuffer];    // .\<name>.uok
    // An earlier release's marker waits here while a new set is placed, so a
    // set that fails half-way can give it back untouched.
    char earlier[kLocalPathBuffer];   // .\Update\<name>.uok
};

extern const char kStagingDirectory[];
// While it exists, a set of markers is being put in place and switcher.exe
// installs nothing. Lists the set's marker names, one a line.
extern const char kPendingListName[];  // Staging.pending
extern const char kPendingListPath[];  // .\Update\Staging.pending

// False when a path does not fit its buffer; the file is then skipped rather
// than written under a cut-off name.
bool FormatStagingPaths(const char* name, const char* versionText, StagingPaths& paths);

// The marker's file name, without the leading ".\".
const char* MarkerFileName(const StagingPaths& paths);

} // namespace Update
