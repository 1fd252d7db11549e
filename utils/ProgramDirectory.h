#pragma once
// The folder of the running program. Header-only: the programs use it too,
// including switcher.exe, which links no library of ours.
#include <windows.h>

#include <cwchar>

// Writes the directory of this program's file, up to and including its last
// backslash, into directory; false when it does not fit or has no folder.
// In UTF-16 only: the narrow form gives "?" for letters outside the ANSI
// code page, as in a profile folder named in another script. size counts
// wide characters.
inline bool ProgramDirectoryW(wchar_t* directory, DWORD size)
{
    const DWORD length = GetModuleFileNameW(nullptr, directory, size);
    if (length == 0 || length >= size)
        return false;
    wchar_t* slash = std::wcsrchr(directory, L'\\');
    if (!slash)
        return false;
    slash[1] = L'\0';
    return true;
}
