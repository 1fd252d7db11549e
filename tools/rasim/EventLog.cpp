#include "EventLog.h"

#include "utils/ScopedHandle.h"

#include <cstdio>
#include <mutex>

namespace rasim {

namespace {

std::mutex logLock;
FileHandle logFile;
ULONGLONG loadTick = GetTickCount64();

// Tabs and line breaks would break the line format.
std::string Clean(const char* value)
{
    std::string out = value ? value : "";
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

}  // namespace

LogLine::LogLine(const char* event) : text(event) {}

LogLine& LogLine::Add(const char* key, const char* value)
{
    text += '\t';
    text += key;
    text += '=';
    text += Clean(value);
    return *this;
}

LogLine& LogLine::Add(const char* key, unsigned long value)
{
    char number[32];
    std::snprintf(number, sizeof number, "%lu", value);
    return Add(key, number);
}

LogLine& LogLine::AddHex(const char* key, unsigned long value)
{
    char number[32];
    std::snprintf(number, sizeof number, "0x%lx", value);
    return Add(key, number);
}

LogLine& LogLine::AddHandle(const char* key, const void* handle)
{
    char number[32];
    std::snprintf(number, sizeof number, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
    return Add(key, number);
}

void LogLine::Write()
{
    Add("ms", ElapsedMs());
    text += "\n";
    std::lock_guard<std::mutex> hold(logLock);
    if (!logFile)
        return;
    DWORD written = 0;
    WriteFile(logFile.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void OpenEventLog()
{
    char path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("TOVRIN_RASIM_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    std::string windowsPath = ToWindowsPath(path);
    std::lock_guard<std::mutex> hold(logLock);
    // Appending: several processes of one test may load the simulator in turn.
    logFile.Reset(CreateFileA(windowsPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void CloseEventLog()
{
    std::lock_guard<std::mutex> hold(logLock);
    logFile.Reset();
}

unsigned long ElapsedMs()
{
    return static_cast<unsigned long>(GetTickCount64() - loadTick);
}

std::string ToWindowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

}  // namespace rasim
