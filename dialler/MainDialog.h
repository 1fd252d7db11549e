#pragma once
// The dialler's main dialog: devices, number kind, Connect / Disconnect,
// Settings, and the connection timer that keeps the tray tooltip current.
// Its nested loops and the re-checks after them: THREADING.md.
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Ends the connection from the tray menu or Tallyview: stops the timer,
// clicks Connect only while connected or dialling (so a late request while
// idle never starts a run), and brings the dialog back out of the
// notification area unless the program is closing by then. Ignored while
// busy or closing.
void DisconnectFromTray(HWND dialog);
