#include "StandInDialler.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "stats/StatsMessages.h"

namespace stats_test {

namespace {

const char kDiallerClass[] = "StatsTestDialler";

std::string TallyviewPath()
{
    // Tallyview.dll lies beside the test program, as beside Tovrin.exe.
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string full(path, length);
    return full.substr(0, full.find_last_of('\\') + 1) + "Tallyview.dll";
}

// The current environment block with one more variable added.
std::vector<char> EnvironmentWith(const std::string& extra)
{
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += strlen(entry) + 1)
        block.insert(block.end(), entry, entry + strlen(entry) + 1);
    FreeEnvironmentStringsA(strings);
    block.insert(block.end(), extra.begin(), extra.end());
    block.push_back('\0');
    block.push_back('\0');
    return block;
}

} // namespace

StandInDialler::StandInDialler()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, kDiallerClass, &wc)) {
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kDiallerClass;
        RegisterClassA(&wc);
    }
    window = CreateWindowExA(0, kDiallerClass, "Stand-in dialler", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             instance, this);
}

StandInDialler::~StandInDialler()
{
    Stop();
    if (window)
        DestroyWindow(window);
}

LRESULT CALLBACK StandInDialler::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<StandInDialler*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_STATS_DISCONNECT && self) {
        ++self->disconnects;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool StandInDialler::Start(StartMode mode, const std::string& extraEnvironment)
{
    const std::string application = TallyviewPath();
    char commandLine[32];
    snprintf(commandLine, sizeof commandLine, "%llu",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (mode != StartMode::WithoutStdHandles)
        startup.dwFlags = STARTF_USESTDHANDLES;
    if (mode == StartMode::WithWindowHandle || mode == StartMode::InheritingHandles)
        startup.hStdInput = reinterpret_cast<HANDLE>(window);
    if (mode == StartMode::WithNullHandle)
        commandLine[0] = '\0';
    std::vector<char> environment;
    if (!extraEnvironment.empty())
        environment = EnvironmentWith(extraEnvironment);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(application.c_str(), commandLine, nullptr, nullptr,
                        mode == StartMode::InheritingHandles, 0,
                        environment.empty() ? nullptr : environment.data(), nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process.Reset(info.hProcess);
    processId = info.dwProcessId;
    threadId = info.dwThreadId;
    return true;
}

void StandInDialler::Pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const DWORD passed = GetTickCount() - start;
        if (passed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed < 10 ? ms - passed : 10, QS_ALLINPUT);
    }
}

HWND StandInDialler::WaitForStatsWindow(DWORD timeoutMs)
{
    return processId ? guidriver::WaitForTopLevelWindow(DialogQuery(nullptr, true), timeoutMs) : nullptr;
}

long StandInDialler::WaitForExit(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (Running()) {
        if (GetTickCount() - start >= timeoutMs)
            return -1;
        Pump(10);
    }
    Pump(50); // a 1203 posted just before the end
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return static_cast<long>(code);
}

bool StandInDialler::Running() const
{
    return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

bool StandInDialler::PostQuit(WPARAM exitCode)
{
    return threadId && PostThreadMessageA(threadId, WM_QUIT, exitCode, 0);
}

void StandInDialler::Stop()
{
    if (Running()) {
        PostQuit(0);
        if (WaitForSingleObject(process.Get(), 2000) == WAIT_TIMEOUT)
            TerminateProcess(process.Get(), 0);
    }
}

guidriver::WindowQuery StandInDialler::DialogQuery(const char* caption, bool visibleOnly) const
{
    guidriver::WindowQuery query;
    query.className = "#32770";
    query.title = caption ? caption : "";
    query.processId = processId;
    query.visibleOnly = visibleOnly;
    return query;
}

HWND StandInDialler::FindTopLevel(const char* caption) const
{
    return processId ? guidriver::FindTopLevelWindow(DialogQuery(caption, false)) : nullptr;
}

} // namespace stats_test
