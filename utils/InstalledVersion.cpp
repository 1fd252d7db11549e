#include "utils/InstalledVersion.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <new>

namespace utils {

bool InstalledFileVersion(const char* fileName, VersionHandler& version)
{
    char path[MAX_PATH];
    const int written = std::snprintf(path, sizeof path, ".\\%s", fileName);
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

} // namespace utils
