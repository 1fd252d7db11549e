#include "update/StaleDownloads.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "update/StagingPaths.h"
#include "utils/ScopedHandle.h"

namespace Update {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool EndsWith(const char* begin, const char* end, const char* suffix)
{
    const std::size_t length = std::strlen(suffix);
    return static_cast<std::size_t>(end - begin) >= length && _strnicmp(end - length, suffix, length) == 0;
}

// Where "<separator>X.Y.Z" ends the text [begin, end): the separator's
// position, or null.
const char* VersionStart(const char* begin, const char* end, char separator)
{
    const char* p = end;
    for (int part = 0; part < 3; ++part) {
        const char* digitsEnd = p;
        while (p > begin && IsDigit(p[-1]))
            --p;
        if (p == digitsEnd || p == begin || p[-1] != (part == 2 ? separator : '.'))
            return nullptr;
        --p;
    }
    return p;
}

// Compared with <name>.<version> of each offered file, as FormatStagingPaths
// names its download.
bool IsOffered(const char* entry, const EntityStack& offered)
{
    for (unsigned int e = 0; e < offered.GetSize(); ++e) {
        const SimpleStack<File>& files = offered.ItemAt(e)->GetFileStack();
        for (unsigned int f = 0; f < files.GetSize(); ++f) {
            const File* file = files.ItemAt(f);
            char download[kLocalPathBuffer];
            const int length =
                std::snprintf(download, sizeof download, "%s.%s", file->GetName(), file->GetVersion().ToString());
            if (length <= 0 || static_cast<std::size_t>(length) >= sizeof download)
                continue;
            // The download itself, or one of its forms after a dot.
            if (_strnicmp(entry, download, length) == 0 && (entry[length] == '\0' || entry[length] == '.'))
                return true;
        }
    }
    return false;
}

} // namespace

bool IsDownloadName(const char* name)
{
    const char* end = name + std::strlen(name);
    if (EndsWith(name, end, ".gz")) {
        end -= 3;
    } else if (EndsWith(name, end, ".patch")) {
        end = VersionStart(name, end - 6, '-');
        if (!end || !EndsWith(name, end, ".from"))
            return false;
        end -= 5;
    }
    const char* version = VersionStart(name, end, '.');
    return version && version > name;
}

void RemoveStaleDownloads(const EntityStack& offered)
{
    char pattern[kLocalPathBuffer];
    std::snprintf(pattern, sizeof pattern, "%s\\*", kStagingDirectory);
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(pattern, &found));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsDownloadName(found.cFileName) ||
            IsOffered(found.cFileName, offered))
            continue;
        char path[kLocalPathBuffer];
        const int length = std::snprintf(path, sizeof path, "%s\\%s", kStagingDirectory, found.cFileName);
        if (length > 0 && static_cast<std::size_t>(length) < sizeof path)
            DeleteFileA(path);
    } while (FindNextFileA(search.Get(), &found));
}

} // namespace Update
