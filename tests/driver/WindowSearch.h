#pragma once
// Finding windows of a program under test, with waiting: its programs start
// and open dialogs asynchronously, so every search can wait for a while.
#include <windows.h>

#include <functional>
#include <string>

namespace guidriver {

// Polls the condition until it holds or timeoutMs pass; true if it held.
// Meanwhile this thread's own windows keep being served (a test may host a
// window the program under test talks to).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 50);

struct WindowQuery {
    std::string className;  // empty: any class
    std::string title;  // empty: any title
    DWORD processId = 0;  // 0: any process
    bool visibleOnly = false;
};

// The first top-level window that matches, or nullptr.
HWND FindTopLevelWindow(const WindowQuery& query);
// The same, waiting up to timeoutMs for it to appear.
HWND WaitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs);
// Waits until no top-level window matches; true if it went.
bool WaitForWindowGone(const WindowQuery& query, DWORD timeoutMs);

// A dialog's control by its identifier, or nullptr.
HWND FindControl(HWND parent, int id);
// The same, waiting: a window can be found while it is still creating its
// controls.
HWND WaitForControl(HWND parent, int id, DWORD timeoutMs);

std::string WindowClass(HWND window);
// The window's text; empty when it has none or never answers.
std::string WindowTitle(HWND window);
// Polls until the window's text is title; false on time-out.
bool WaitForWindowTitle(HWND window, const std::string& title, DWORD timeoutMs);

}  // namespace guidriver
