// Installed-version records, one per file name, under Software\tovrin\Update.
#include <windows.h>

#include <cstring>

#include "RegistryAccess.h"
#include "Utils.h"

using utils::kVersionRecordsPath;
using utils::RegistryAccess;

bool NeedUpdate(const char* fileName, const VersionHandler& offered)
{
    char stored[utils::kRegistryTextBuffer];
    RegistryAccess().ReadString(HKEY_CURRENT_USER, kVersionRecordsPath, fileName, stored);

    // Records are at most 15 characters as written; a longer one (edited by
    // hand) is read only as far as a version text can go.
    char record[16];
    std::strncpy(record, stored, sizeof record - 1);
    record[sizeof record - 1] = '\0';
    if (!record[0])
        std::strcpy(record, "0.0.0");

    const VersionHandler installed = VersionHandler::AsVersionHandler(record);
    return !(offered <= installed);
}

void SetNewVersion(const char* fileName, const VersionHandler& installed)
{
    RegistryAccess().WriteString(HKEY_CURRENT_USER, kVersionRecordsPath, fileName, installed.ToString());
}
