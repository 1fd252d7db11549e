// A dialling run: the access numbers in rotation until a connection comes
// up, the user stops, or the service reports an error that makes retrying
// pointless. The service's progress arrives in RasDialNotify.
#include <windows.h>
#include <stdio.h>

#include "dialler/AccessNumbers.h"
#include "dialler/ConnectionManager.h"
#include "dialler/DiallerContext.h"
#include "dialler/StatusTexts.h"  // IsStoppingError
#include "utils/Utils.h"
#include "utils/ConnectionLog.h"

namespace {

// How long a number that failed at once stays on screen before the next.
constexpr DWORD kImmediateFailurePauseMs = 2000;

// Workers tell the dialog's thread what happened and never wait for it.
bool Tell(UINT message, WPARAM wParam, LPARAM lParam)
{
    return PostMessageA(g_dialler.mainDialog, message, wParam, lParam) != FALSE;
}

void ResetAttemptSignals()
{
    g_dialler.errorSeen = 0;
    ResetEvent(g_dialler.errorEvent);
    g_dialler.disconnectedSeen = 0;
    ResetEvent(g_dialler.disconnectedEvent);
    g_dialler.connectedSeen = 0;
    ResetEvent(g_dialler.connectedEvent);
    g_dialler.stoppingError = 0;
}

// Before the attempt is hung up: whatever the service still reports about
// it from now on is news of nothing.
void GiveUpAttempt(RasConnHandle attempt)
{
    if (!attempt)
        return;
    const ULONG slot = static_cast<ULONG>(InterlockedIncrement(&g_dialler.staleNext) - 1);
    const ULONG slots = sizeof g_dialler.staleAttempts / sizeof g_dialler.staleAttempts[0];
    InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&g_dialler.staleAttempts[slot % slots]), attempt);
    HangUpAttempt(attempt);
}

bool IsStale(RasConnHandle connection)
{
    for (RasConnHandle stale : g_dialler.staleAttempts)
        if (stale == connection)
            return true;
    return false;
}

} // namespace

bool StartDial(const char* deviceName, const char* userName, const char* password, LONG run)
{
    WritePhonebookEntry(deviceName);

    RasDialParamsOld& params = g_dialler.dialParams;
    ZeroMemory(&params, sizeof params);
    params.size = kRasDialParamsSize;
    snprintf(params.entryName, sizeof params.entryName, "%s", PHONEBOOK_ENTRY_NAME);
    snprintf(params.userName, sizeof params.userName, "%s", userName);
    snprintf(params.password, sizeof params.password, "%s", password);

    HANDLE thread = static_cast<HANDLE>(
        StartThreadedFunc(DialThread, reinterpret_cast<void*>(static_cast<LONG_PTR>(run))));
    if (!thread)
        return false;
    // Only the newest run is waited for; an earlier run's handle is closed
    // here (the thread itself goes on to its end).
    if (g_dialler.dialThread)
        CloseHandle(g_dialler.dialThread);
    g_dialler.dialThread = thread;
    return true;
}

unsigned long WINAPI DialThread(void* parameter)
{
    const LPARAM run = reinterpret_cast<LPARAM>(parameter);
    EnterCriticalSection(&g_dialler.dialLock);
    // Reports of this thread's attempts count for this run only, however
    // late they come.
    InterlockedExchange(&g_dialler.attemptRun, static_cast<LONG>(run));
    while (g_dialler.dialling && g_dialler.run == run) {
        ResetAttemptSignals();
        snprintf(g_dialler.dialParams.phoneNumber, sizeof g_dialler.dialParams.phoneNumber, "%s",
                 NextAccessNumber());
        tovrinlog::Write("dial: attempt on %s", g_dialler.dialParams.phoneNumber);

        RasConnHandle attempt = nullptr;
        DWORD result = RasDialA(nullptr, nullptr, &g_dialler.dialParams, kRasNotifierType1,
                                reinterpret_cast<void*>(&RasDialNotify), &attempt);
        if (result != kRasOk) {
            // The service keeps the port until even a refused attempt is
            // hung up.
            GiveUpAttempt(attempt);
            if (IsStoppingError(result)) {
                Tell(WM_DIAL_STOPPED_BY_ERROR, result, run);
                break;
            }
            // No notification follows a refused call: say why, pause so the
            // text can be read (a stop ends the pause), then the next number.
            Tell(WM_DIAL_REFUSED, result, run);
            WaitForSingleObject(g_dialler.stopEvent, kImmediateFailurePauseMs);
            continue;
        }

        // The stop event bounds this wait: every stop sets it.
        HANDLE events[] = {g_dialler.stopEvent, g_dialler.errorEvent, g_dialler.disconnectedEvent,
                           g_dialler.connectedEvent};
        WaitForMultipleObjects(4, events, FALSE, INFINITE);

        if (g_dialler.connectedSeen) {
            // From here the dialog's thread owns the connection; if the user
            // has stopped meanwhile, it hangs it up.
            if (!Tell(WM_DIAL_CONNECTED, static_cast<WPARAM>(run), reinterpret_cast<LPARAM>(attempt)))
                GiveUpAttempt(attempt);
            break;
        }
        GiveUpAttempt(attempt);
        if (g_dialler.stoppingError) {
            Tell(WM_DIAL_STOPPED_BY_ERROR, static_cast<WPARAM>(g_dialler.stoppingError), run);
            break;
        }
    }
    LeaveCriticalSection(&g_dialler.dialLock);
    return 1;
}

void WINAPI RasDialNotify(RasConnHandle connection, UINT, RasConnState state, DWORD error, DWORD)
{
    // A stopped attempt's report must not wake or steer the attempt that
    // followed it.
    if (IsStale(connection))
        return;
    const LPARAM run = g_dialler.attemptRun;
    // The dial thread waits on these; the stopping error is recorded before
    // its event is set, so the thread sees it once it wakes.
    if (error != 0) {
        char text[256] = "";
        if (RasGetErrorStringA(error, text, sizeof text) != kRasOk)
            text[0] = '\0';
        text[sizeof text - 1] = '\0';
        tovrinlog::Write("dial: error %lu in state %u: %s", static_cast<unsigned long>(error),
                         static_cast<unsigned>(state), text);
        if (IsStoppingError(error))
            g_dialler.stoppingError = static_cast<LONG>(error);
        else
            g_dialler.errorSeen = 1;
    }
    Tell(WM_DIAL_PROGRESS, static_cast<WPARAM>(state), run);

    if (state == RasDisconnected) {
        g_dialler.disconnectedSeen = 1;
        SetEvent(g_dialler.disconnectedEvent);
    }
    if (state == RasConnected) {
        g_dialler.connectedSeen = 1;
        SetEvent(g_dialler.connectedEvent);
    }
    if (error != 0)
        SetEvent(g_dialler.errorEvent);
}
