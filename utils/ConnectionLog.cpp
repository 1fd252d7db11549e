#include "ConnectionLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "utils/NamedLock.h"

namespace tovrinlog {

namespace {

// Rotation and appends of the three programs take turns through this lock;
// one not had within the bound skips the line rather than hold up a dial.
const wchar_t kLockName[] = L"Local\\TovrinLog";
constexpr DWORD kLockWaitMs = 200;
constexpr size_t kLineMax = 480;


bool LogPaths(wchar_t* log, wchar_t* older, size_t size)
{
    wchar_t base[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wchar_t folder[MAX_PATH];
    if (std::swprintf(folder, MAX_PATH, L"%ls\\Tovrin", base) < 0 ||
        std::swprintf(log, size, L"%ls\\Tovrin.log", folder) < 0 ||
        std::swprintf(older, size, L"%ls\\Tovrin.log.1", folder) < 0)
        return false;
    // The whole path must have fitted, terminator included.
    if (std::wcslen(older) + 1 >= size)
        return false;
    CreateDirectoryW(folder, nullptr);
    return true;
}

unsigned long Limit()
{
    char text[32];
    const DWORD length = GetEnvironmentVariableA("TOVRIN_LOG_LIMIT", text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return kDefaultLimit;
    const unsigned long limit = std::strtoul(text, nullptr, 10);
    return limit >= 4096 && limit <= kDefaultLimit ? limit : kDefaultLimit;
}

const char* ProgramName()
{
    static char name[64];
    if (name[0] == '\0') {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        const char* base = "?";
        if (length > 0 && length < MAX_PATH) {
            const char* slash = std::strrchr(path, '\\');
            base = slash ? slash + 1 : path;
        }
        std::snprintf(name, sizeof name, "%s", base);
        name[sizeof name - 1] = '\0';
    }
    return name;
}

void Append(const char* text, DWORD length)
{
    wchar_t log[MAX_PATH], older[MAX_PATH];
    if (!LogPaths(log, older, MAX_PATH))
        return;
    NamedLock lock(kLockName, kLockWaitMs);
    if (!lock.Held())
        return;
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (GetFileAttributesExW(log, GetFileExInfoStandard, &info) &&
        (info.nFileSizeHigh != 0 || info.nFileSizeLow + length > Limit()))
        MoveFileExW(log, older, MOVEFILE_REPLACE_EXISTING);
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text, length, &written, nullptr);
    CloseHandle(file);
}

} // namespace

void Write(const char* format, ...)
{
    const DWORD lastError = GetLastError();
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[kLineMax + 128];
    int head = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s[%lu] ", now.wYear,
                             now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                             ProgramName(), GetCurrentProcessId());
    // Room is left for the text, its terminator and the line end.
    if (head < 0 || static_cast<size_t>(head) + kLineMax + 3 > sizeof line)
        head = 0;
    std::va_list arguments;
    va_start(arguments, format);
    const int body = std::vsnprintf(line + head, kLineMax + 1, format, arguments);
    va_end(arguments);
    line[head + kLineMax] = '\0';
    size_t length = std::strlen(line);
    (void)body;
    // One event, one line: a text from outside must not start another.
    for (size_t i = static_cast<size_t>(head); i < length; ++i)
        if (line[i] == '\r' || line[i] == '\n')
            line[i] = ' ';
    line[length++] = '\r';
    line[length++] = '\n';
    Append(line, static_cast<DWORD>(length));
    // Logging must not disturb the caller's error code.
    SetLastError(lastError);
}

void MaskUserName(const char* userName, char* out, size_t outSize)
{
    if (outSize == 0)
        return;
    const size_t length = userName ? std::strlen(userName) : 0;
    const int shown = length < 4 ? 0 : 2;
    std::snprintf(out, outSize, "%.*s... (%u)", shown, shown ? userName : "", static_cast<unsigned>(length));
    out[outSize - 1] = '\0';
}

} // namespace tovrinlog
