#pragma once
// The dialler's start-up check (see utils/StartupCheck.h).
#include <windows.h>

// Checks the dialler's resources; 0 when all are there. Never shows a
// window, and never touches the instance mutex: the switcher that runs the
// check holds it while it replaces files.
int RunDiallerStartupCheck(HINSTANCE instance);
