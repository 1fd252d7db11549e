#include "ScratchDirectory.h"

#include <windows.h>

namespace scratch {

std::string MakeDirectory(const char* prefix)
{
    char base[MAX_PATH];
    char name[MAX_PATH];
    if (!GetTempPathA(sizeof base, base) || !GetTempFileNameA(base, prefix, 0, name))
        return std::string();
    // The unique name comes as an empty file; the folder takes its place.
    DeleteFileA(name);
    return CreateDirectoryA(name, nullptr) ? name : std::string();
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = dir + "\\" + name;
            // Read-only files too: tests make them.
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

} // namespace scratch
