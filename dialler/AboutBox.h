#pragma once
// The About box of the tray menu.
#include <windows.h>

void ShowAboutBox(HWND owner);
