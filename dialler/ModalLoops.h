#pragma once
// Ending the nested modal loops of the user-interface thread.
#include <windows.h>

// Ends every dialog and message box of the calling thread other than except
// (each returns IDCANCEL) and any menu it is tracking. Their loops return
// once the current message is done; code after them must re-check whether
// the program is closing (IsClosing).
void EndModalLoops(HWND except);
