// Installed-version records, one per file name, under Software\tovrin\Update.
#include <windows.h>

#include "RegistryAccess.h"
#include "Utils.h"

using utils::kVersionRecordsPath;
using utils::RegistryAccess;

bool NeedUpdate(const char* fileName, const VersionHandler& offered)
{
    char stored[utils::kRegistryTextBuffer];
    RegistryAccess().ReadString(HKEY_CURRENT_USER, kVersionRecordsPath, fileName, stored);

    // Records are at most 15 characters as written; a longer one (edited by
    // hand) is read only as far as a version text can go. No record reads as
    // 0.0.0.
    stored[15] = '\0';
    const VersionHandler installed = VersionHandler::AsVersionHandler(stored);
    return !(offered <= installed);
}

void SetNewVersion(const char* fileName, const VersionHandler& installed)
{
    RegistryAccess().WriteString(HKEY_CURRENT_USER, kVersionRecordsPath, fileName, installed.ToString());
}
