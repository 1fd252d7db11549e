#include "SessionEnd.h"

#include <vector>

#include "WindowSearch.h"

namespace guidriver {

namespace {

struct Answers {
    size_t pending = 0;
    bool agreed = true;
};

void CALLBACK Answered(HWND, UINT message, ULONG_PTR data, LRESULT result)
{
    auto* answers = reinterpret_cast<Answers*>(data);
    --answers->pending;
    if (message == WM_QUERYENDSESSION && !result)
        answers->agreed = false;
}

struct WindowsOf {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowsOf*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId)
        search->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    WindowsOf search = {processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

// The answers arrive as this thread waits; an answer that comes after the
// time-out would find its record gone, so a late one keeps it for good.
bool SendToAll(const std::vector<HWND>& windows, UINT message, WPARAM wParam, LPARAM flags, DWORD deadline,
               bool& agreed)
{
    auto* answers = new Answers;
    for (HWND window : windows) {
        if (SendMessageCallbackA(window, message, wParam, flags, Answered, reinterpret_cast<ULONG_PTR>(answers)))
            ++answers->pending;
    }
    DWORD now = GetTickCount();
    DWORD limitMs = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
    bool answered = WaitUntil([&] { return answers->pending == 0; }, limitMs, 10);
    agreed = answers->agreed;
    if (answered)
        delete answers;
    return answered;
}

}  // namespace

bool EndSessionOf(DWORD processId, HANDLE process, DWORD limitMs, LPARAM flags)
{
    const DWORD deadline = GetTickCount() + limitMs;
    std::vector<HWND> windows = TopLevelWindowsOf(processId);
    bool agreed = true;
    bool answered = SendToAll(windows, WM_QUERYENDSESSION, 0, flags, deadline, agreed) &&
                    SendToAll(windows, WM_ENDSESSION, agreed, flags, deadline, agreed);
    bool leftToEnd = answered && (flags & ENDSESSION_CLOSEAPP);
    if (!leftToEnd && WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
        TerminateProcess(process, 0);
    return answered;
}

}  // namespace guidriver
