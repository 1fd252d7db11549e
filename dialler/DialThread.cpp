// A dialling run: the access numbers in rotation until a connection comes
// up, the user stops, or the service reports an error that makes retrying
// pointless. The service's progress arrives in RasDialNotify.
#include <windows.h>
#include <stdio.h>

#include "dialler/AccessNumbers.h"
#include "dialler/BrowserOpen.h"
#include "dialler/Companions.h"
#include "dialler/ConfigRefresh.h"
#include "dialler/ConnectionManager.h"
#include "dialler/DiallerContext.h"
#include "dialler/StatusTexts.h"
#include "utils/Utils.h"

namespace {

constexpr int kErrorTextSize = 256;
// How long a number that failed at once stays on screen before the next.
constexpr DWORD kImmediateFailurePauseMs = 2000;

void ErrorText(DWORD error, char* text, int textSize)
{
    text[0] = '\0';
    if (RasGetErrorStringA(error, text, textSize) != kRasOk || text[0] == '\0')
        snprintf(text, textSize, "Error %lu", static_cast<unsigned long>(error));
    text[textSize - 1] = '\0';
}

// Runs on DialThread or the service's callback thread: these calls change
// the main dialog's controls from outside the user-interface thread (the
// window manager forwards them to it).
void SetStatus(const char* text)
{
    SetWindowTextA(g_dialler.statusText, text);
}

// A stopping error ends the run: the service's own text, then Idle.
void StopRunWithError(DWORD error)
{
    char text[kErrorTextSize];
    ErrorText(error, text, sizeof text);
    MessageBoxA(g_dialler.mainDialog, text, "Error", MB_ICONINFORMATION);
    EnableWindow(g_dialler.connectButton, TRUE);
    SetWindowTextA(g_dialler.connectButton, "&Connect");
    g_dialler.dialling = 0;
    SetEvent(g_dialler.stopEvent);
    SetStatus("Not connected");
    SetFocus(g_dialler.connectButton);
}

void ResetAttemptSignals()
{
    g_dialler.errorSeen = 0;
    ResetEvent(g_dialler.errorEvent);
    g_dialler.disconnectedSeen = 0;
    ResetEvent(g_dialler.disconnectedEvent);
    g_dialler.connectedSeen = 0;
    ResetEvent(g_dialler.connectedEvent);
    g_dialler.connection = nullptr;
}

void EnterConnectedState()
{
    g_dialler.connected = 1;
    g_dialler.elapsed = 0;
    g_dialler.connectStart = GetTickCount() / 1000;
    // Systems that keep timers to the window's own thread refuse this call;
    // the dialog's thread then sets the timer when it reads the message.
    if (!StartConnectionTimer())
        PostMessageA(g_dialler.mainDialog, WM_START_CONNECTION_TIMER, 0, 0);
    OpenInBrowser(g_dialler.homePage, SW_SHOWNORMAL);
}

// RasDial refused the attempt outright (not a stopping error): show why,
// pause so the text can be read, then let the loop try the next number.
// Returns false when the user stopped during the pause.
bool PauseAfterImmediateFailure(DWORD error)
{
    char text[kErrorTextSize];
    ErrorText(error, text, sizeof text);
    SetStatus(text);
    if (g_dialler.connection)
        HangUpAndWait();
    WaitForSingleObject(g_dialler.stopEvent, kImmediateFailurePauseMs);
    return g_dialler.dialling != 0;
}

} // namespace

bool StartDial(const char* deviceName, const char* userName, const char* password)
{
    WritePhonebookEntry(deviceName);

    RasDialParamsOld& params = g_dialler.dialParams;
    ZeroMemory(&params, sizeof params);
    params.size = kRasDialParamsSize;
    snprintf(params.entryName, sizeof params.entryName, "%s", PHONEBOOK_ENTRY_NAME);
    snprintf(params.userName, sizeof params.userName, "%s", userName);
    snprintf(params.password, sizeof params.password, "%s", password);

    // The handle of an earlier run is kept until now: nothing else closes it.
    if (g_dialler.dialThread)
        CloseHandle(g_dialler.dialThread);
    g_dialler.dialThread = static_cast<HANDLE>(StartThreadedFunc(DialThread, nullptr));
    return true;
}

unsigned long WINAPI DialThread(void*)
{
    EnterCriticalSection(&g_dialler.dialLock);
    while (g_dialler.dialling) {
        ResetAttemptSignals();
        snprintf(g_dialler.dialParams.phoneNumber, sizeof g_dialler.dialParams.phoneNumber, "%s",
                 NextAccessNumber());

        DWORD result = RasDialA(nullptr, nullptr, &g_dialler.dialParams, kRasNotifierType0,
                                reinterpret_cast<void*>(&RasDialNotify), &g_dialler.connection);
        if (result != kRasOk) {
            if (IsStoppingError(result)) {
                StopRunWithError(result);
                LeaveCriticalSection(&g_dialler.dialLock);
                return 1;
            }
            // No notification follows a refused call; waiting for one would
            // leave the run hanging in Dialling.
            if (!PauseAfterImmediateFailure(result))
                break;
            continue;
        }

        HANDLE events[] = {g_dialler.stopEvent, g_dialler.errorEvent, g_dialler.disconnectedEvent,
                           g_dialler.connectedEvent};
        WaitForMultipleObjects(4, events, FALSE, INFINITE);

        // Whoever cleared the flag also hangs up.
        if (!g_dialler.dialling)
            break;
        if (g_dialler.connectedSeen) {
            EnterConnectedState();
            break;
        }
        HangUpAndWait();
    }
    LeaveCriticalSection(&g_dialler.dialLock);
    return 1;
}

void WINAPI RasDialNotify(UINT, RasConnState state, DWORD error)
{
    const char* status = StatusTextForState(state);

    if (state == RasDisconnected) {
        g_dialler.disconnectedSeen = 1;
        SetEvent(g_dialler.disconnectedEvent);
    }
    if (state == RasConnected) {
        g_dialler.connectedSeen = 1;
        SetEvent(g_dialler.connectedEvent);
        StartStatsWindow();
        g_dialler.refreshRequest.updatePage = g_dialler.updatePage;
        g_dialler.refreshRequest.userName = g_dialler.userName;
        HANDLE refresh = static_cast<HANDLE>(StartThreadedFunc(RefreshConfigThread, &g_dialler.refreshRequest));
        if (refresh)
            CloseHandle(refresh);
    }

    // Changed from the service's callback thread.
    if (state == RasConnectDevice)
        EnableWindow(g_dialler.connectButton, TRUE);
    else
        SetStatus(status);

    if (error != 0) {
        if (IsStoppingError(error)) {
            StopRunWithError(error);
        } else {
            g_dialler.errorSeen = 1;
            SetEvent(g_dialler.errorEvent);
        }
    }
}
