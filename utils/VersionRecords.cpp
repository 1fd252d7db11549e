// Installed-version records, one per file name, under Software\tovrin\Update.
#include <windows.h>

#include "InstalledVersion.h"
#include "RecordedVersion.h"
#include "RegistryAccess.h"
#include "Utils.h"

using utils::InstalledFileVersion;
using utils::kVersionRecordsPath;
using utils::RecordedVersion;
using utils::RegistryAccess;

bool NeedUpdate(const char* fileName, const VersionHandler& offered)
{
    VersionHandler installed = RecordedVersion(fileName);
    // The record alone would let an older file replace a newer one where it
    // is missing or behind: a fresh profile, a second Windows user, a newer
    // package installed over an old profile, an old answer replayed. The
    // higher of record and installed file counts.
    VersionHandler onDisk;
    if (InstalledFileVersion(fileName, onDisk) && installed <= onDisk)
        installed = onDisk;
    return !(offered <= installed);
}

void SetNewVersion(const char* fileName, const VersionHandler& installed)
{
    RegistryAccess().WriteString(HKEY_CURRENT_USER, kVersionRecordsPath, fileName, installed.ToString());
}
