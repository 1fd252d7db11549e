// Finding connected connections, hanging up, and the one-second watch that
// notices when the connection is gone.
#include <windows.h>
#include <stdio.h>

#include "dialler/BusyState.h"
#include "dialler/ConnectionManager.h"
#include "dialler/DiallerContext.h"
#include "dialler/TaskbarAnimation.h"
#include "dialler/TrayIcon.h"
#include "utils/ConnectionLog.h"

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

// Only the main dialog's messages (workers never pump; they only poll).
// Before the dialog exists (0), all of this thread's windows are served.
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

enum class Enumerated { Connected, NoneConnected, Failed };

// Calls found(connection) for the first connected connection in the order
// the service lists them.
template <typename Found>
Enumerated FirstConnected(Found found)
{
    ZeroMemory(connections, sizeof connections);
    connections[0].size = kRasConnectionSize;
    DWORD size = sizeof connections;
    DWORD count = 0;
    if (RasEnumConnectionsA(connections, &size, &count) != kRasOk)
        return Enumerated::Failed;
    if (count > kConnectionTableSize)
        count = kConnectionTableSize;
    for (DWORD i = 0; i < count; ++i) {
        if (IsConnected(connections[i].handle)) {
            found(connections[i]);
            return Enumerated::Connected;
        }
    }
    return Enumerated::NoneConnected;
}

} // namespace

namespace {

// Hangs up one handle and waits until the service has let go of it, at most
// a bounded time. On the dialog's thread the wait keeps the dialog served;
// a worker only sleeps between polls.
void HangUpHandle(RasConnHandle connection, bool pump)
{
    if (connection) {
        RasHangUpA(connection);
        DWORD started = GetTickCount();
        while (ServiceStillKnows(connection) && GetTickCount() - started < kHangUpGiveUpMs) {
            if (pump) {
                // Sleep between polls but wake for input, so the dialog keeps
                // painting; handlers check busy, so nothing new starts.
                MsgWaitForMultipleObjects(0, nullptr, FALSE, kStatusPollMs, QS_ALLINPUT);
                PumpMainDialogMessages();
            } else {
                Sleep(kStatusPollMs);
            }
        }
    }
    Sleep(kAfterHangUpPauseMs);
}

} // namespace

void HangUpAndWait()
{
    // Taken first: a shutdown at the end of the session, nested in this
    // wait, must not hang the same line up a second time.
    RasConnHandle connection = g_dialler.connection;
    g_dialler.connection = nullptr;
    if (connection)
        tovrinlog::Write("hang-up");
    HangUpHandle(connection, true);
}

void HangUpAttempt(RasConnHandle attempt)
{
    HangUpHandle(attempt, false);
}

void HangUpHandedConnection(RasConnHandle connection)
{
    BeginBusy();
    HangUpHandle(connection, true);
    EndBusy();
}

bool WaitForDialThread(DWORD limitMs)
{
    HANDLE thread = g_dialler.dialThread;
    if (!thread)
        return true;
    DWORD started = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - started;
        if (spent >= limitMs)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, limitMs - spent, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            // What the thread posted before it ended (a handed-over
            // connection above all) is dealt with before the caller goes on.
            PumpMainDialogMessages();
            return true;
        }
        if (woke != WAIT_OBJECT_0 + 1)
            return false;
        PumpMainDialogMessages();
    }
}

bool FindConnectedConnection(RasConnHandle* handle, char* entryName, int entryNameSize)
{
    // The enumeration table is shared with AnyConnectionConnected; both run
    // on the user-interface thread only.
    return FirstConnected([&](const RasConnectionOld& connection) {
               *handle = connection.handle;
               snprintf(entryName, entryNameSize, "%.*s", kRasMaxEntryName, connection.entryName);
           }) == Enumerated::Connected;
}

bool NoConnectionConnected()
{
    return FirstConnected([](const RasConnectionOld&) {}) == Enumerated::NoneConnected;
}

void StopConnectionTimer()
{
    if (g_dialler.timerId)
        KillTimer(g_dialler.mainDialog, g_dialler.timerId);
    g_dialler.timerId = 0;
}

void ResetToDisconnected()
{
    if (IgnoringInput())
        return;  // the request already being served covers this one
    BeginBusy();
    // A tick during the hang-up would find the line gone and reset again.
    StopConnectionTimer();
    SetWindowTextA(g_dialler.connectButton, "&Connect");
    g_dialler.dialling = 0;
    SetEvent(g_dialler.stopEvent);
    EnableWindow(g_dialler.connectButton, FALSE);
    HangUpAndWait();
    // An attempt still being dialled is hung up by the dial thread, its owner.
    WaitForDialThread(kDialThreadStopMs);
    SetWindowTextA(g_dialler.statusText, "Not connected");
    EnableWindow(g_dialler.connectButton, TRUE);
    g_dialler.connected = 0;
    EndBusy();
}

bool StartConnectionTimer()
{
    if (!g_dialler.connected)
        return true;
    UINT_PTR id = SetTimer(g_dialler.mainDialog, IDT_CONNECTION, CONNECTION_TIMER_PERIOD_MS, nullptr);
    if (id == 0)
        return false;
    g_dialler.timerId = id;
    return true;
}

bool WatchConnection()
{
    // Any connected connection counts, not only ours; a failed enumeration
    // says nothing, and a transient one must not end a live line.
    if (!NoConnectionConnected())
        return false;
    tovrinlog::Write("line lost");
    StopConnectionTimer();
    AnimateFromTray(g_dialler.mainDialog);
    if (g_dialler.tray)
        g_dialler.tray->HideInTray();
    ResetToDisconnected();
    return true;
}
