#include "dialler/SessionEndWatch.h"

#include "dialler/DiallerMain.h"

namespace {

constexpr char kWatchClass[] = "TovrinSessionEndWatch";

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENDSESSION && wParam)
        ShutDownQuietly();
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

SessionEndWatch::SessionEndWatch(HINSTANCE instance) : window(nullptr)
{
    WNDCLASSA watchClass = {};
    watchClass.lpfnWndProc = WatchProc;
    watchClass.hInstance = instance;
    watchClass.lpszClassName = kWatchClass;
    RegisterClassA(&watchClass);  // fails harmlessly when already registered
    // Top-level and never shown: only top-level windows hear the session end.
    window = CreateWindowExA(0, kWatchClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

SessionEndWatch::~SessionEndWatch()
{
    if (window)
        DestroyWindow(window);
}
