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
    const int length = MultiByteToWideChar(CP_ACP, 0, dir.data(), static_cast<int>(dir.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, dir.data(), static_cast<int>(dir.size()), &wide[0], length);
    RemoveTree(wide);
}

void RemoveTree(const std::wstring& dir)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = dir + L"\\" + name;
            // Read-only files too: tests make them.
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &data));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

} // namespace scratch
