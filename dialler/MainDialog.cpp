#include "dialler/MainDialog.h"

#include <stdio.h>
#include <string.h>

#include "dialler/AboutBox.h"
#include "dialler/AccessNumbers.h"
#include "dialler/BusyState.h"
#include "dialler/ConnectionManager.h"
#include "dialler/DialEvents.h"
#include "dialler/DiallerContext.h"
#include "dialler/DiallerMain.h"
#include "dialler/ElapsedText.h"
#include "dialler/SettingsDialog.h"
#include "dialler/TaskbarAnimation.h"
#include "dialler/TrayIcon.h"
#include "dialler/WindowPlacement.h"
#include "dialler/res/resource.h"
#include "utils/Utils.h"
#include "utils/ConnectionLog.h"

namespace {

// Longest device name read back from the device list, terminator included.
constexpr int kDeviceNameSize = 255;
// Tick count seconds wrap after 2^32 ms.
constexpr DWORD kTickSecondsAtWrap = 4294967;

bool CredentialsMissing()
{
    return g_dialler.userName[0] == '\0' || g_dialler.password[0] == '\0';
}

BOOL InitMainDialog(HWND dialog)
{
    InitializeCriticalSection(&g_dialler.dialLock);
    g_dialler.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_dialler.errorEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_dialler.disconnectedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_dialler.connectedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    CenterWindowOnScreen(dialog);
    g_dialler.mainDialog = dialog;
    g_dialler.deviceList = GetDlgItem(dialog, IDC_DEVICE);
    g_dialler.connectButton = GetDlgItem(dialog, IDC_CONNECT);
    g_dialler.statusText = GetDlgItem(dialog, IDC_STATUS);

    InitDevicesAndNumbers();

    HICON icon = LoadIconA(g_dialler.instance, MAKEINTRESOURCEA(IDI_DIALLER));
    if (!g_trayIcon.Setup(g_dialler.instance, dialog, WM_TRAY_CALLBACK, "Tovrin", icon, IDR_TRAY_MENU, TRUE,
                          nullptr, nullptr, 0, 10))
        return FALSE;
    // The icon appears only while connected.
    g_trayIcon.RemoveFromTray();

    char entryName[kRasMaxEntryName + 1] = "";
    if (FindConnectedConnection(&g_dialler.connection, entryName, sizeof(entryName))) {
        char status[sizeof(entryName) + 40];
        snprintf(status, sizeof(status), "External connection detected: %s", entryName);
        SetWindowTextA(g_dialler.statusText, status);
    } else {
        SetWindowTextA(g_dialler.statusText, "Not connected");
    }
    return TRUE;
}

void Connect(HWND dialog)
{
    if (IgnoringInput())
        return;
    ReadCredentials();
    while (CredentialsMissing()) {
        INT_PTR answer = RunSettingsDialog(dialog);
        ReadCredentials();
        // The shutdown may have run inside Settings' loop: no call may be
        // placed that nothing would hang up.
        if (answer != IDOK || IsClosing())
            return;
    }

    EnableWindow(g_dialler.connectButton, FALSE);
    LONG run = InterlockedIncrement(&g_dialler.run);
    // An external connection found at start-up is not ours to hang up.
    g_dialler.connection = nullptr;
    InterlockedExchange(&g_dialler.dialling, 1);
    ResetEvent(g_dialler.stopEvent);
    SetWindowTextA(g_dialler.connectButton, "&Disconnect");

    char deviceName[kDeviceNameSize] = "";
    GetWindowTextA(g_dialler.deviceList, deviceName, sizeof(deviceName));
    LRESULT selected = SendMessageA(g_dialler.deviceList, CB_GETCURSEL, 0, 0);
    SetModemSelection(selected == CB_ERR ? 0 : static_cast<uint32_t>(selected));
    g_dialler.useFreephone = IsDlgButtonChecked(dialog, IDC_FREEPHONE) == BST_CHECKED;
    char maskedUser[64];
    tovrinlog::MaskUserName(g_dialler.userName, maskedUser, sizeof maskedUser);
    tovrinlog::Write("connect: device \"%s\", %s numbers, user %s", deviceName,
                     g_dialler.useFreephone ? "freephone" : "local-rate", maskedUser);

    if (!StartDial(deviceName, g_dialler.userName, g_dialler.password, run)) {
        // No thread, no run: back to Idle rather than Dialling for ever.
        g_dialler.dialling = 0;
        SetWindowTextA(g_dialler.connectButton, "&Connect");
        SetWindowTextA(g_dialler.statusText, "Not connected");
    }
    // Stoppable at once: the new thread may wait for an older one, or the
    // service may never report progress.
    EnableWindow(g_dialler.connectButton, TRUE);
}

void OnCommand(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDCANCEL:
        RunShutdownSequence();
        break;
    case IDC_CONNECT:
        if (IgnoringInput())
            break;  // a hang-up or the shutdown is already under way
        if (g_dialler.connected || g_dialler.dialling)
            ResetToDisconnected();
        else
            Connect(dialog);
        break;
    // A modal loop opened inside a busy wait would hold that wait (a
    // hang-up, the shutdown) for as long as it stayed open.
    case IDC_SETTINGS:
        if (!IgnoringInput())
            RunSettingsDialog(dialog);
        break;
    case IDM_ABOUT:
        if (!IgnoringInput())
            ShowAboutBox(dialog);
        break;
    case IDM_DISCONNECT:
        DisconnectFromTray(dialog);
        break;
    default:
        DefWindowProcA(dialog, WM_COMMAND, wParam, lParam);
        break;
    }
}

void OnConnectionTick(HWND dialog)
{
    // A tick queued before the timer was killed, or one arriving while a
    // hang-up or the close question is pending, must not act.
    if (!g_dialler.connected || IgnoringInput())
        return;
    // No notification area, no hiding: the dialog would be lost.
    if (g_dialler.elapsed == 0 && g_trayIcon.ShowInTray())
        AnimateToTray(dialog);
    DWORD now = GetTickCount() / 1000;
    if (now < g_dialler.connectStart)
        g_dialler.elapsed = now - g_dialler.connectStart + kTickSecondsAtWrap;
    else
        g_dialler.elapsed = now - g_dialler.connectStart;

    char tip[kElapsedTextSize];
    FormatElapsed(g_dialler.elapsed, tip, sizeof(tip));
    g_trayIcon.SetTipText(tip);

    WatchConnection();
}

} // namespace

void DisconnectFromTray(HWND dialog)
{
    // A second request while the first is being served is dropped; the first
    // brings the dialog back.
    if (IgnoringInput())
        return;
    StopConnectionTimer();
    // Only a live run is ended: a stale Tallyview's Disconnect arriving while
    // idle must not start dialling.
    if (g_dialler.connected || g_dialler.dialling)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(g_dialler.connectButton));
    // The hang-up's wait served the dialog: an ended dialog stays ended.
    if (IsClosing())
        return;
    g_trayIcon.HideInTray();
    g_trayIcon.RemoveFromTray();
    AnimateFromTray(dialog);
    SetForegroundWindow(dialog);
    ShowWindow(dialog, SW_SHOW);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitMainDialog(dialog);
    case WM_COMMAND:
        OnCommand(dialog, wParam, lParam);
        return FALSE;
    case WM_TIMER:
        if (wParam == IDT_CONNECTION)
            OnConnectionTick(dialog);
        return FALSE;
    case WM_DIAL_PROGRESS:
    case WM_DIAL_REFUSED:
    case WM_DIAL_STOPPED_BY_ERROR:
    case WM_DIAL_CONNECTED:
        HandleDialEvent(dialog, message, wParam, lParam);
        return TRUE;
    case WM_STATS_DISCONNECT:
        DisconnectFromTray(dialog);
        return TRUE;
    case WM_TRAY_CALLBACK:
        // The menu is a modal loop of its own (see IDC_SETTINGS).
        return IgnoringInput() ? 0 : g_trayIcon.HandleTrayCallback(wParam, lParam);
    case WM_ENDSESSION:
        // Passed on by the tray's hidden window while this dialog is hidden
        // in the notification area (it is no top-level window then). Also
        // the Restart Manager's close, which the process survives.
        if (wParam)
            ShutDownQuietly();
        return FALSE;
    default:
        return FALSE;
    }
}
