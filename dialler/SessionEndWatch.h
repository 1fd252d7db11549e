#pragma once
// A hidden top-level window that hears the end of the session while no
// window of the dialler's own exists yet (the start-up question).
#include <windows.h>

class SessionEndWatch {
public:
    // Creates the window; on WM_ENDSESSION it runs ShutDownQuietly, which
    // ends the question's box and starts switcher. Without a window (the
    // system refused) nothing is heard, as before.
    explicit SessionEndWatch(HINSTANCE instance);
    ~SessionEndWatch();
    SessionEndWatch(const SessionEndWatch&) = delete;
    SessionEndWatch& operator=(const SessionEndWatch&) = delete;

private:
    HWND window;
};
