#pragma once
// The version resource of an installed file. Shared by Utils.dll (the
// no-downgrade rule of NeedUpdate) and the download thread (the base a patch
// applies to).
#include "update/VersionHandler.h"

namespace utils {

// The version resource of .\<fileName> (the current directory is the
// installation directory): major.minor.revision from its fixed file
// information. False when the file is missing or carries none.
bool InstalledFileVersion(const char* fileName, VersionHandler& version);

} // namespace utils
