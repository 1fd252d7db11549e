#pragma once
// The three local paths of one offered file, relative to the installation
// directory (the current directory).
#include <cstddef>

namespace Update {

const std::size_t kLocalPathBuffer = 260;

struct StagingPaths {
    char download[kLocalPathBuffer];  // .\Update\<name>.<version>
    char staged[kLocalPathBuffer];    // .\Update\<name>
    char marker[kLocalPathBuffer];    // .\<name>.uok
};

extern const char kStagingDirectory[];

// False when a path does not fit its buffer; the file is then skipped rather
// than written under a cut-off name.
bool FormatStagingPaths(const char* name, const char* versionText, StagingPaths& paths);

} // namespace Update
