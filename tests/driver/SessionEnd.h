#pragma once
// The end of the session as the system brings it to one program.
#include <windows.h>

namespace guidriver {

// Sends WM_QUERYENDSESSION to every top-level window of the process, all at
// once and answered in any order, then WM_ENDSESSION (TRUE when every window
// agreed) the same way; a process still running once all have answered is
// ended, as the system ends it. False when some window did not answer within
// limitMs (the process is ended all the same).
bool EndSessionOf(DWORD processId, HANDLE process, DWORD limitMs);

}  // namespace guidriver
