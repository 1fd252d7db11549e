#pragma once
// Placing the dialler's dialogs on the screen.
#include <windows.h>

// Moves window to the middle of the screen, keeping its size and Z order.
void CenterWindowOnScreen(HWND window);
