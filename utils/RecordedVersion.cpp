#include "utils/RecordedVersion.h"

#include "utils/RegistryAccess.h"

namespace utils {

VersionHandler RecordedVersion(const char* fileName)
{
    char stored[kRegistryTextBuffer];
    RegistryAccess().ReadString(HKEY_CURRENT_USER, kVersionRecordsPath, fileName, stored);

    // Records are at most 15 characters as written; a longer one (edited by
    // hand) is read only as far as a version text can go.
    stored[15] = '\0';
    return VersionHandler::AsVersionHandler(stored);
}

} // namespace utils
