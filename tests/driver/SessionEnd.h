#pragma once
// The end of the session as the system brings it to one program.
#include <windows.h>

namespace guidriver {

// Sends WM_QUERYENDSESSION to every top-level window of the process, all at
// once and answered in any order, then WM_ENDSESSION (TRUE when every window
// agreed) the same way, both with flags as lParam; a process still running
// once all have answered, or limitMs after the first question, is ended, as
// the system ends it. With ENDSESSION_CLOSEAPP in flags (the Restart
// Manager's close) an answered process is left to end by itself. False when
// some window did not answer within limitMs.
bool EndSessionOf(DWORD processId, HANDLE process, DWORD limitMs, LPARAM flags = 0);

}  // namespace guidriver
