// Installed-version records, one per file name, under Software\tovrin\Update.
#include <windows.h>

#include <stdio.h>

#include <memory>
#include <new>

#include "RegistryAccess.h"
#include "Utils.h"

using utils::kVersionRecordsPath;
using utils::RegistryAccess;

namespace {

VersionHandler RecordedVersion(const char* fileName)
{
    char stored[utils::kRegistryTextBuffer];
    RegistryAccess().ReadString(HKEY_CURRENT_USER, kVersionRecordsPath, fileName, stored);

    // Records are at most 15 characters as written; a longer one (edited by
    // hand) is read only as far as a version text can go. No record reads as
    // 0.0.0.
    stored[15] = '\0';
    return VersionHandler::AsVersionHandler(stored);
}

// The version resource of the installed file .\<name> (the current directory
// is the installation directory): major.minor.revision from its fixed file
// information. False when the file is missing or carries none.
bool InstalledFileVersion(const char* fileName, VersionHandler& version)
{
    char path[MAX_PATH];
    const int written = snprintf(path, sizeof path, ".\\%s", fileName);
    if (written <= 0 || static_cast<size_t>(written) >= sizeof path)
        return false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return false;
    std::unique_ptr<char[]> block(new (std::nothrow) char[size]);
    if (!block || !GetFileVersionInfoA(path, 0, size, block.get()))
        return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.get(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed || fixed->dwSignature != VS_FFI_SIGNATURE)
        return false;
    version.Set(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS));
    return true;
}

} // namespace

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
