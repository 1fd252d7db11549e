#pragma once
// Shrinking the main dialog into the notification area and growing it back,
// with the system's caption animation when the user has it switched on.
#include <windows.h>

// The notification area's rectangle in screen pixels, or the best guess at it.
void FindNotifyAreaRect(RECT* out);

bool WindowAnimationEnabled();

// Gives window an invisible owner so that it has no taskbar button.
bool DetachFromTaskbar(HWND window);

// Animates window into the notification area and leaves it invisible.
void AnimateToTray(HWND window);
// Animates window back out, makes it visible and activates it.
void AnimateFromTray(HWND window);
