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

// Bound on the wait for a process ended by force to be gone: its files stay
// mapped until then.
const DWORD kForcedEndWaitMs = 5000;

// Waits up to waitMs for the process to end and ends it by force after that,
// then waits until it is gone. Only the dialler that started us is waited
// for: a process that cannot be opened (ended already, id 0 or wrong), or
// one created after startedBy (the id reused by another program once the
// dialler had gone), is left alone. startedBy is a FILETIME as a number; 0
// stands for this process's own start, since the dialler starts us.
void WaitForDialler(DWORD processId, DWORD waitMs, ULONGLONG startedBy = 0);

} // namespace switcher
