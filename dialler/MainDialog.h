#pragma once
// The dialler's main dialog: devices, number kind, Connect / Disconnect,
// Settings, and the connection timer that keeps the tray tooltip current.
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Ends the connection from the tray menu or Tallyview: stops the timer,
// clicks Connect (which acts by the current state) and brings the dialog
// back out of the notification area.
void DisconnectFromTray(HWND dialog);
