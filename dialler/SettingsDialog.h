#pragma once
// The Settings dialog: user name and password for dialling.
#include <windows.h>

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the Settings dialog modally; IDOK when the user stored new values,
// IDCANCEL otherwise.
INT_PTR RunSettingsDialog(HWND owner);
