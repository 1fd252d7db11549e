#pragma once
// What the main dialog's thread does with the news the dial thread and the
// service's notifier post (the WM_DIAL_* messages of DiallerContext.h).
#include <windows.h>

// Handles one WM_DIAL_* message; false for any other message.
bool HandleDialEvent(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Starts the configuration refresh for the connection that just came up,
// unless one is still running; it gets its own copy of the address and user
// name. User-interface thread.
void StartConfigRefresh();
