#include "FileVersion.h"

#include <windows.h>

namespace switcher {

namespace {

// A version block of our own is about 1 KB; anything past this is no
// resource of ours.
const DWORD kVersionBlockLimit = 64 * 1024;

} // namespace

bool FileVersionOf(const wchar_t* path, std::uint64_t* version)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0 || size > kVersionBlockLimit)
        return false;
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    if (!block)
        return false;
    bool found = false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (GetFileVersionInfoW(path, 0, size, block) &&
        VerQueryValueW(block, L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed &&
        fixedSize >= sizeof *fixed && fixed->dwSignature == VS_FFI_SIGNATURE) {
        *version = (static_cast<std::uint64_t>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
        found = true;
    }
    HeapFree(GetProcessHeap(), 0, block);
    return found;
}

bool IsOlderThanTarget(const wchar_t* staged, const wchar_t* target)
{
    std::uint64_t stagedVersion = 0;
    std::uint64_t targetVersion = 0;
    return FileVersionOf(staged, &stagedVersion) && FileVersionOf(target, &targetVersion) &&
           stagedVersion < targetVersion;
}

} // namespace switcher
