#pragma once
// Tallyview's start-up check (see utils/StartupCheck.h).
#include <windows.h>

// Checks and loads the window's template; 0 when it is there. Shows no
// window, reads no dialler handle and starts no OLE: the banner's page
// engine is slow to load and may show windows of its own.
int RunTallyviewStartupCheck(HINSTANCE instance);
