#pragma once
// Resource identifiers of the dialler, shared by Tovrin.rc and the sources.

#define IDI_DIALLER 107
#define IDD_DIALLER 129
#define IDR_TRAY_MENU 132
#define IDD_SETTINGS 136
#define IDB_LOGO 140

// Main dialog
#define IDC_DEVICE 1004
#define IDC_STATUS 1007
#define IDC_CONNECT 1008
#define IDC_PREFIX 1009
#define IDC_FREEPHONE 1010
#define IDC_LOCALRATE 1011
#define IDC_SETTINGS 1012

// Settings dialog
#define IDC_PASSWORD 1006
#define IDC_USERNAME 1013

// Tray menu
#define IDM_ABOUT 32771
#define IDM_DISCONNECT 32772

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The main dialog's window class, as the template names it.
#define MAIN_DIALOG_CLASS_TEXT "MyDlgClassTovrin"
