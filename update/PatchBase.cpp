#include "update/PatchBase.h"

#include <windows.h>

#include <cstdio>

#include "utils/InstalledVersion.h"
#include "utils/RecordedVersion.h"

namespace Update {

namespace {

bool MarkerWaits(const char* name)
{
    char marker[MAX_PATH];
    const int written = std::snprintf(marker, sizeof marker, ".\\%s.uok", name);
    // A marker that cannot be named cannot be checked: assume one.
    return written <= 0 || static_cast<size_t>(written) >= sizeof marker ||
           GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool PatchBaseMatches(const char* name, const VersionHandler& from)
{
    if (!MarkerWaits(name)) {
        const VersionHandler recorded = utils::RecordedVersion(name);
        if (!(recorded == VersionHandler()))
            return recorded == from;
    }
    VersionHandler installed;
    return utils::InstalledFileVersion(name, installed) && installed == from;
}

} // namespace Update
