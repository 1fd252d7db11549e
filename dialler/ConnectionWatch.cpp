// Finding connected connections, hanging up, and the one-second watch that
// notices when the connection is gone.
#include <windows.h>
#include <stdio.h>

#include "dialler/ConnectionManager.h"
#include "dialler/DiallerContext.h"
#include "dialler/TaskbarAnimation.h"
#include "dialler/TrayIcon.h"

namespace {

constexpr int kConnectionTableSize = 100;
// The service needs a moment after letting go of a handle before the port
// can be dialled again.
constexpr DWORD kAfterHangUpPauseMs = 400;
constexpr DWORD kStatusPollMs = 50;
// A service that never lets go must not hold the dialler for ever.
constexpr DWORD kHangUpGiveUpMs = 10000;

bool ServiceStillKnows(RasConnHandle connection)
{
    RasConnStatusOld status;
    ZeroMemory(&status, sizeof status);
    status.size = kRasConnStatusSize;
    return RasGetConnectStatusA(connection, &status) != kRasErrorInvalidHandle;
}

bool IsConnected(RasConnHandle connection)
{
    RasConnStatusOld status;
    ZeroMemory(&status, sizeof status);
    status.size = kRasConnStatusSize;
    return RasGetConnectStatusA(connection, &status) == kRasOk && status.state == RasConnected;
}

// Only the main dialog's messages: on DialThread that window belongs to
// another thread and nothing is pumped. Before the dialog exists (0), all of
// this thread's windows are served.
void PumpMainDialogMessages()
{
    MSG message;
    while (PeekMessageA(&message, g_dialler.mainDialog, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The enumeration table, at file scope: a static inside the template below
// would be one object per caller, each stored in Tovrin.exe as 42 KB of
// zeros (a PE file keeps such objects as initialised data).
RasConnectionOld connections[kConnectionTableSize];

// Calls found(connection) for each connected connection in the order the
// service lists them, until it returns true.
template <typename Found>
bool FirstConnected(Found found)
{
    ZeroMemory(connections, sizeof connections);
    connections[0].size = kRasConnectionSize;
    DWORD size = sizeof connections;
    DWORD count = 0;
    if (RasEnumConnectionsA(connections, &size, &count) != kRasOk)
        return false;
    if (count > kConnectionTableSize)
        count = kConnectionTableSize;
    for (DWORD i = 0; i < count; ++i) {
        if (IsConnected(connections[i].handle)) {
            found(connections[i]);
            return true;
        }
    }
    return false;
}

} // namespace

void HangUpAndWait()
{
    RasConnHandle connection = g_dialler.connection;
    if (connection) {
        RasHangUpA(connection);
        DWORD started = GetTickCount();
        while (ServiceStillKnows(connection) && GetTickCount() - started < kHangUpGiveUpMs) {
            // Sleep between polls but wake for input, so the dialog keeps
            // painting and the callback's control changes get through.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kStatusPollMs, QS_ALLINPUT);
            PumpMainDialogMessages();
        }
    }
    Sleep(kAfterHangUpPauseMs);
}

bool FindConnectedConnection(RasConnHandle* handle, char* entryName, int entryNameSize)
{
    // The enumeration table is shared with AnyConnectionConnected; both run
    // on the user-interface thread only.
    return FirstConnected([&](const RasConnectionOld& connection) {
        *handle = connection.handle;
        snprintf(entryName, entryNameSize, "%.*s", kRasMaxEntryName, connection.entryName);
    });
}

bool AnyConnectionConnected()
{
    return FirstConnected([](const RasConnectionOld&) {});
}

void ResetToDisconnected()
{
    SetWindowTextA(g_dialler.connectButton, "&Connect");
    g_dialler.dialling = 0;
    SetEvent(g_dialler.stopEvent);
    EnableWindow(g_dialler.connectButton, FALSE);
    HangUpAndWait();
    g_dialler.connection = nullptr;
    SetWindowTextA(g_dialler.statusText, "Not connected");
    EnableWindow(g_dialler.connectButton, TRUE);
    g_dialler.connected = 0;
}

bool StartConnectionTimer()
{
    if (!g_dialler.connected)
        return true;  // hung up before the dialog's thread got here
    UINT_PTR id = SetTimer(g_dialler.mainDialog, IDT_CONNECTION, CONNECTION_TIMER_PERIOD_MS, nullptr);
    if (id == 0)
        return false;
    g_dialler.timerId = id;
    return true;
}

bool WatchConnection()
{
    // Any connected connection counts, not only ours.
    if (AnyConnectionConnected())
        return false;
    KillTimer(g_dialler.mainDialog, g_dialler.timerId);
    AnimateFromTray(g_dialler.mainDialog);
    if (g_dialler.tray)
        g_dialler.tray->HideInTray();
    ResetToDisconnected();
    return true;
}
