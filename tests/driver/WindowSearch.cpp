#include "WindowSearch.h"

namespace guidriver {

namespace {

// One WM_GETTEXT with a time-out, so a hung program fails the test instead of
// hanging it; false when the window did not answer.
bool ReadTitle(HWND window, UINT flags, UINT timeoutMs, std::string& title)
{
    char text[512] = {};
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), flags, timeoutMs,
                             &ignored))
        return false;
    text[sizeof text - 1] = '\0';
    title = text;
    return true;
}

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
    // A search gives up at once on a hung window: it polls again anyway, and
    // must not stall on some busy window it passes.
    std::string title;
    if (!query.title.empty() && (!ReadTitle(window, SMTO_ABORTIFHUNG, 2000, title) || title != query.title))
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
    // The window's thread can be busy for seconds (a browser control's first
    // start, a loaded machine), so a read waits and asks again before giving up.
    std::string title;
    for (int attempt = 0; attempt < 3 && IsWindow(window); ++attempt) {
        if (ReadTitle(window, 0, 5000, title))
            return title;
    }
    return std::string();
}

bool WaitForWindowTitle(HWND window, const std::string& title, DWORD timeoutMs)
{
    return WaitUntil([&] { return WindowTitle(window) == title; }, timeoutMs);
}

}  // namespace guidriver
