#include "update/PendingList.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "update/BareFileName.h"
#include "utils/ScopedHandle.h"

namespace Update {

namespace {

const char kLineEnd[] = "\r\n";

bool WriteText(HANDLE file, const char* text)
{
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    DWORD written = 0;
    return WriteFile(file, text, length, &written, nullptr) && written == length;
}

// True when no file is left at path.
bool RemoveFile(const char* path)
{
    if (DeleteFileA(path))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return true;
    // A folder of that name is no marker: switcher.exe leaves it alone.
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A line that is not a marker name was not written by us: it is left alone.
// An earlier release's marker that the cut-off set had moved aside goes back
// in place of the new one.
bool TakeBackListedMarker(const char* name)
{
    if (!IsBareFileName(name) || !IsMarkerName(name))
        return true;
    char path[kLocalPathBuffer];
    char earlier[kLocalPathBuffer];
    const int written = std::snprintf(path, sizeof path, ".\\%s", name);
    const int asideWritten = std::snprintf(earlier, sizeof earlier, "%s\\%s", kStagingDirectory, name);
    if (written <= 0 || static_cast<std::size_t>(written) >= sizeof path || asideWritten <= 0 ||
        static_cast<std::size_t>(asideWritten) >= sizeof earlier)
        return true;
    if (!RemoveFile(path))
        return false;
    const DWORD attributes = GetFileAttributesA(earlier);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    return MoveFileA(earlier, path) != FALSE;
}

} // namespace

bool WritePendingList(const StagingPaths* paths, unsigned int count)
{
    bool written = false;
    {
        FileHandle list(CreateFileA(kPendingListPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!list)
            return false;
        written = true;
        for (unsigned int i = 0; i < count && written; ++i)
            written = WriteText(list.Get(), MarkerFileName(paths[i])) && WriteText(list.Get(), kLineEnd);
        // On disk before the first rename, or a power cut could leave
        // markers with no list guarding them.
        written = written && FlushFileBuffers(list.Get());
    }
    if (!written)
        DeleteFileA(kPendingListPath);
    return written;
}

bool RemovePendingList()
{
    return RemoveFile(kPendingListPath) && GetFileAttributesA(kPendingListPath) == INVALID_FILE_ATTRIBUTES;
}

bool RecoverPendingList()
{
    bool cleared = true;
    {
        FileHandle list(CreateFileA(kPendingListPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!list) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        }
        char line[kLocalPathBuffer];
        std::size_t length = 0;
        bool overlong = false;
        auto endLine = [&] {
            line[length] = '\0';
            // A line cut to fit the buffer names no marker we wrote.
            if (!overlong)
                cleared = TakeBackListedMarker(line) && cleared;
            length = 0;
            overlong = false;
        };
        char chunk[512];
        DWORD got = 0;
        do {
            if (!ReadFile(list.Get(), chunk, sizeof chunk, &got, nullptr))
                return false;
            for (DWORD i = 0; i < got; ++i) {
                if (chunk[i] == '\r' || chunk[i] == '\n')
                    endLine();
                else if (length + 1 < sizeof line)
                    line[length++] = chunk[i];
                else
                    overlong = true;
            }
        } while (got > 0);
        endLine();  // the last line may lack its end
    }
    return cleared && RemovePendingList();
}

} // namespace Update
