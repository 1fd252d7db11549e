#pragma once
// The installed-version record of one file name, as SetNewVersion wrote it.
// Shared by Utils.dll and the download thread, which reads it to choose a
// patch.
#include "update/VersionHandler.h"

namespace utils {

// No record, or an unreadable one, reads as 0.0.0.
VersionHandler RecordedVersion(const char* fileName);

} // namespace utils
