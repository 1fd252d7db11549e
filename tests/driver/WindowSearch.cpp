#include "WindowSearch.h"

namespace guidriver {

namespace {

struct Search {
    const WindowQuery* query;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    Search* search = reinterpret_cast<Search*>(parameter);
    const WindowQuery& query = *search->query;
    if (query.visibleOnly && !IsWindowVisible(window))
        return TRUE;
    if (query.processId) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != query.processId)
            return TRUE;
    }
    if (!query.className.empty() && WindowClass(window) != query.className)
        return TRUE;
    if (!query.title.empty() && WindowTitle(window) != query.title)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs)
{
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
    }
}

HWND FindTopLevelWindow(const WindowQuery& query)
{
    Search search{&query, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevelWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitForWindowGone(const WindowQuery& query, DWORD timeoutMs)
{
    return WaitUntil([&] { return FindTopLevelWindow(query) == nullptr; }, timeoutMs);
}

HWND FindControl(HWND parent, int id)
{
    return parent ? GetDlgItem(parent, id) : nullptr;
}

HWND WaitForControl(HWND parent, int id, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindControl(parent, id)) != nullptr; }, timeoutMs);
    return found;
}

std::string WindowClass(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowTitle(HWND window)
{
    // WM_GETTEXT with a time-out: a hung program must not hang the test. The
    // window's thread can be busy for seconds (a browser control's first
    // start, a loaded machine), so a read asks again before giving up.
    for (int attempt = 0; attempt < 3 && IsWindow(window); ++attempt) {
        char title[512] = {};
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutA(window, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title), 0, 5000,
                                &ignored)) {
            title[sizeof title - 1] = '\0';
            return title;
        }
    }
    return std::string();
}

bool WaitForWindowTitle(HWND window, const std::string& title, DWORD timeoutMs)
{
    return WaitUntil([&] { return WindowTitle(window) == title; }, timeoutMs);
}

}  // namespace guidriver
