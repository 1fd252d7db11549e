// Finding connected connections, hanging up, and the one-second watch that
// notices when the connection is gone. Which waits pump: THREADING.md.
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

enum class LineStatus { Connected, NotConnected, Unknown };

// A status query that fails for any reason but an invalid handle says
// nothing about the line: a transient fault must not end a live one.
LineStatus StatusOf(RasConnHandle connection)
{
    RasConnStatusOld status;
    ZeroMemory(&status, sizeof status);
    status.size = kRasConnStatusSize;
    DWORD result = RasGetConnectStatusA(connection, &status);
    if (result == kRasErrorInvalidHandle)
        return LineStatus::NotConnected;
    if (result != kRasOk)
        return LineStatus::Unknown;
    return status.state == RasConnected ? LineStatus::Connected : LineStatus::NotConnected;
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

enum class Enumerated { Connected, NoneConnected, Unknown };

// Calls found(connection) for the first connected connection in the order
// the service lists them. Unknown: the listing failed, or no connection was
// seen connected but one could not be asked.
template <typename Found>
Enumerated FirstConnected(Found found)
{
    ZeroMemory(connections, sizeof connections);
    connections[0].size = kRasConnectionSize;
    DWORD size = sizeof connections;
    DWORD count = 0;
    if (RasEnumConnectionsA(connections, &size, &count) != kRasOk)
        return Enumerated::Unknown;
    if (count > kConnectionTableSize)
        count = kConnectionTableSize;
    Enumerated answer = Enumerated::NoneConnected;
    for (DWORD i = 0; i < count; ++i) {
        LineStatus status = StatusOf(connections[i].handle);
        if (status == LineStatus::Connected) {
            found(connections[i]);
            return Enumerated::Connected;
        }
        if (status == LineStatus::Unknown)
            answer = Enumerated::Unknown;
    }
    return answer;
}

// Waits until the service has let go of a hung-up handle, at most limitMs.
// On the dialog's thread the wait keeps the dialog served; a worker only
// sleeps between polls.
bool WaitReleased(RasConnHandle connection, DWORD limitMs, bool pump)
{
    DWORD started = GetTickCount();
    while (ServiceStillKnows(connection)) {
        DWORD spent = GetTickCount() - started;
        if (spent >= limitMs)
            return false;
        DWORD poll = limitMs - spent < kStatusPollMs ? limitMs - spent : kStatusPollMs;
        if (pump) {
            // Sleep between polls but wake for input, so the dialog keeps
            // painting; handlers check busy, so nothing new starts.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, poll, QS_ALLINPUT);
            PumpMainDialogMessages();
        } else {
            Sleep(poll);
        }
    }
    return true;
}

// Hangs up one handle and waits until the service has let go of it, at most
// a bounded time, then gives the port a moment before the next dial.
void HangUpHandle(RasConnHandle connection, bool pump)
{
    if (connection) {
        RasHangUpA(connection);
        WaitReleased(connection, kHangUpGiveUpMs, pump);
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

RasConnHandle HangUpWithoutWaiting()
{
    RasConnHandle connection = g_dialler.connection;
    g_dialler.connection = nullptr;
    if (connection) {
        RasHangUpA(connection);
        tovrinlog::Write("hang-up, not waited for");
    }
    return connection;
}

bool WaitUntilReleased(RasConnHandle connection, DWORD limitMs)
{
    return !connection || WaitReleased(connection, limitMs, true);
}

void HangUpAttempt(RasConnHandle attempt)
{
    HangUpHandle(attempt, false);
}

void HangUpHandedConnection(RasConnHandle connection)
{
    // Once the program is ending nothing more may be waited for: the
    // service finishes the hang-up on its own.
    if (IsClosing()) {
        RasHangUpA(connection);
        return;
    }
    BusyScope busy;
    HangUpHandle(connection, true);
}

bool WaitPumping(HANDLE object, DWORD limitMs)
{
    if (!object)
        return true;
    DWORD started = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - started;
        if (spent >= limitMs)
            return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
        DWORD woke = MsgWaitForMultipleObjects(1, &object, FALSE, limitMs - spent, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            // What a thread posted before it ended (a handed-over
            // connection above all) is dealt with before the caller goes on.
            PumpMainDialogMessages();
            return true;
        }
        if (woke != WAIT_OBJECT_0 + 1)
            return false;
        PumpMainDialogMessages();
    }
}

bool WaitForDialThread(DWORD limitMs)
{
    return WaitPumping(g_dialler.dialThread, limitMs);
}

bool FindConnectedConnection(RasConnHandle* handle, char* entryName, int entryNameSize)
{
    // The enumeration table is shared with NoConnectionConnected; both run
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
    BusyScope busy;
    // A tick during the hang-up would find the line gone and reset again.
    StopConnectionTimer();
    SetWindowTextA(g_dialler.connectButton, "&Connect");
    g_dialler.dialling = 0;
    SetEvent(g_dialler.stopEvent);
    EnableWindow(g_dialler.connectButton, FALSE);
    HangUpAndWait();
    // An attempt still being dialled is hung up by the dial thread, its owner.
    WaitForDialThread(kDialThreadStopMs);
    g_dialler.connected = 0;
    // Both waits served the dialog: the program may be ending by now.
    if (IsClosing())
        return;
    SetWindowTextA(g_dialler.statusText, "Not connected");
    EnableWindow(g_dialler.connectButton, TRUE);
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
    // Any connected connection counts, not only ours. A failed listing or
    // status query says nothing, and a transient one must not end a live
    // line: lost means listed and every one disconnected or unknown to the
    // service.
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
