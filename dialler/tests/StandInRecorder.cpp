// A stand-in for the programs the dialler starts (Tallyview, switcher, the
// web browser). It appends what it was given to "<own file>.record":
//   args=<command line>
//   dir=<current directory, UTF-8>
//   stdin=<standard-input handle in decimal, 0 when none was given>
//   pid=<own process id>
// Started with standard handles (as Tallyview is), it then waits for the
// quit message on its main thread and records "quit" when it arrives.
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

void Append(const wchar_t* path, const char* line)
{
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Wide: the folder may be named outside the ANSI code page.
    wchar_t path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    wcscat(path, L".record");

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    bool handedWindow = (startup.dwFlags & STARTF_USESTDHANDLES) != 0;

    // Make the message queue before anyone can post the quit message.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);

    char line[2048];
    snprintf(line, sizeof(line), "args=%s", GetCommandLineA());
    Append(path, line);
    wchar_t directory[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, directory);
    char utf8[MAX_PATH * 3] = "";
    WideCharToMultiByte(CP_UTF8, 0, directory, -1, utf8, sizeof utf8, nullptr, nullptr);
    snprintf(line, sizeof(line), "dir=%s", utf8);
    Append(path, line);
    snprintf(line, sizeof(line), "stdin=%llu",
             handedWindow ? static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(startup.hStdInput)) : 0ull);
    Append(path, line);
    snprintf(line, sizeof(line), "pid=%lu", GetCurrentProcessId());
    Append(path, line);
    if (!handedWindow)
        return 0;

    // A safety net so a forgotten copy does not outlive the test run.
    SetTimer(nullptr, 0, 120000, nullptr);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER)
            return 3;
        DispatchMessageA(&message);
    }
    Append(path, "quit");
    return 0;
}
