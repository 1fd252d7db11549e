#pragma once
// The folder of the running program. Header-only: the programs use it too,
// including switcher.exe, which links no library of ours.
#include <windows.h>

#include <cstring>

// Writes the directory of this program's file, up to and including its last
// backslash, into directory; false when it does not fit or has no folder.
inline bool ProgramDirectory(char* directory, DWORD size)
{
    const DWORD length = GetModuleFileNameA(nullptr, directory, size);
    if (length == 0 || length >= size)
        return false;
    char* slash = std::strrchr(directory, '\\');
    if (!slash)
        return false;
    slash[1] = '\0';
    return true;
}
