#pragma once
// Brings one offered file to a complete, checked download, in the smallest
// form that can give it.
#include "update/StagingPaths.h"

namespace Update {

class File;

// True when paths.download holds the file, `size` bytes long and, where the
// answer carries sha256, with that digest. Tries the patch (only when the
// version record equals patch-from, the installed file exists and a digest
// can tell a wrong result), then the gzip form, then url, each at most once;
// a result that fails its check is deleted before the next is tried.
bool FetchFile(const File& file, const StagingPaths& paths);

} // namespace Update
