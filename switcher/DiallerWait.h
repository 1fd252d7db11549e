#pragma once
// The switcher's first step: let the dialler end before its files are
// replaced.
#include <windows.h>

namespace switcher {

const DWORD kDiallerWaitMs = 15000;
const UINT kForcedExitCode = 0xFFFFFFFF;

// Reads the argument as a decimal integer the way atoi does: leading white
// space skipped, an optional sign, digits up to the first other character;
// no digits give 0.
DWORD ParseProcessId(const char* text);

// Waits up to waitMs for the process to end and ends it by force after that.
// A process that cannot be opened (ended already, id 0 or wrong) is not
// waited for.
void WaitForDialler(DWORD processId, DWORD waitMs);

} // namespace switcher
