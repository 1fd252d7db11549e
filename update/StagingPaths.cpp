#include "update/StagingPaths.h"

#include <cstdio>

namespace Update {

const char kStagingDirectory[] = ".\\Update";
const char kPendingListName[] = "Staging.pending";
const char kPendingListPath[] = ".\\Update\\Staging.pending";

namespace {

const char kMarkerDirectory[] = ".\\";

bool Fits(int written, std::size_t size)
{
    return written > 0 && static_cast<std::size_t>(written) < size;
}

} // namespace

bool FormatStagingPaths(const char* name, const char* versionText, StagingPaths& paths)
{
    return Fits(std::snprintf(paths.download, sizeof paths.download, "%s\\%s.%s", kStagingDirectory, name,
                              versionText),
                sizeof paths.download) &&
           Fits(std::snprintf(paths.staged, sizeof paths.staged, "%s\\%s", kStagingDirectory, name),
                sizeof paths.staged) &&
           Fits(std::snprintf(paths.marker, sizeof paths.marker, "%s%s.uok", kMarkerDirectory, name),
                sizeof paths.marker) &&
           Fits(std::snprintf(paths.earlier, sizeof paths.earlier, "%s\\%s.uok", kStagingDirectory, name),
                sizeof paths.earlier);
}

const char* MarkerFileName(const StagingPaths& paths)
{
    return paths.marker + sizeof kMarkerDirectory - 1;
}

} // namespace Update
