#include "dialler/DialEvents.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include "dialler/BrowserOpen.h"
#include "dialler/BusyState.h"
#include "dialler/Companions.h"
#include "dialler/ConfigRefresh.h"
#include "dialler/ConnectionManager.h"
#include "dialler/DiallerContext.h"
#include "dialler/StatusTexts.h"
#include "utils/Utils.h"
#include "utils/ConnectionLog.h"

namespace {

constexpr int kErrorTextSize = 256;

void ErrorText(DWORD error, char* text, int textSize)
{
    text[0] = '\0';
    if (RasGetErrorStringA(error, text, textSize) != kRasOk || text[0] == '\0')
        snprintf(text, textSize, "Error %lu", static_cast<unsigned long>(error));
    text[textSize - 1] = '\0';
}

// News of the run the user is still waiting for; anything else is stale.
// Not a matter of busy: the hang-up of a stale connection may be under way
// when the new run connects, and its news is no less current.
bool IsCurrentRun(LPARAM run)
{
    return g_dialler.dialling && !IsClosing() && run == g_dialler.run;
}

void OnProgress(RasConnState state)
{
    // The button was greyed at Connect; any progress shows the service has
    // the run, and a run whose every attempt fails before the connect-device
    // state must still be stoppable.
    EnableWindow(g_dialler.connectButton, TRUE);
    const char* stateText = StatusTextForState(state);
    tovrinlog::Write("dial: state %u, %s", static_cast<unsigned>(state), stateText ? stateText : "-");
    if (state != RasConnectDevice)
        SetWindowTextA(g_dialler.statusText, StatusTextForState(state));
}

void OnRefused(DWORD error)
{
    char text[kErrorTextSize];
    ErrorText(error, text, sizeof text);
    tovrinlog::Write("dial: attempt failed, error %lu: %s", static_cast<unsigned long>(error), text);
    SetWindowTextA(g_dialler.statusText, text);
    // Runs of refusals must stay stoppable.
    EnableWindow(g_dialler.connectButton, TRUE);
}

// A stopping error: the service's own text, then Idle.
void OnStoppedByError(HWND dialog, DWORD error)
{
    char text[kErrorTextSize];
    ErrorText(error, text, sizeof text);
    tovrinlog::Write("dial: stopped by error %lu: %s", static_cast<unsigned long>(error), text);
    BusyScope busy;
    MessageBoxA(dialog, text, "Error", MB_ICONINFORMATION);
    g_dialler.dialling = 0;
    SetEvent(g_dialler.stopEvent);
    // The box is a loop of its own: the shutdown may have run in it.
    if (IsClosing())
        return;
    EnableWindow(g_dialler.connectButton, TRUE);
    SetWindowTextA(g_dialler.connectButton, "&Connect");
    SetWindowTextA(g_dialler.statusText, "Not connected");
    SetFocus(g_dialler.connectButton);
}

void OnConnected(RasConnHandle connection)
{
    // Ours from here on, before anything that waits: a shutdown nested in
    // the wait below must find the line to hang it up.
    g_dialler.connection = connection;
    tovrinlog::Write("connected");
    g_dialler.connected = 1;
    StartStatsWindow();
    if (IsClosing())
        return;
    StartConfigRefresh();
    g_dialler.elapsed = 0;
    g_dialler.connectStart = GetTickCount() / 1000;
    EnableWindow(g_dialler.connectButton, TRUE);
    StartConnectionTimer();
    OpenInBrowser(g_dialler.homePage, SW_SHOWNORMAL);
}

// The refresh's own copies, freed when it ends.
struct RefreshJob {
    RefreshRequest request;
    char updatePage[sizeof g_dialler.updatePage];
    char userName[sizeof g_dialler.userName];
};

unsigned long WINAPI RefreshJobThread(void* parameter)
{
    auto* job = static_cast<RefreshJob*>(parameter);
    RefreshConfigThread(&job->request);
    delete job;
    InterlockedExchange(&g_dialler.refreshRunning, 0);
    return 0;
}

} // namespace

void StartConfigRefresh()
{
    // One refresh at a time: one still running from an earlier connection
    // already asks for this user's answer.
    // Staged files go beside the program only when it runs in its folder.
    if (g_dialler.outsideOwnDirectory)
        return;
    if (InterlockedCompareExchange(&g_dialler.refreshRunning, 1, 0) != 0)
        return;
    auto* job = new (std::nothrow) RefreshJob;
    if (job) {
        snprintf(job->updatePage, sizeof job->updatePage, "%s", g_dialler.updatePage);
        snprintf(job->userName, sizeof job->userName, "%s", g_dialler.userName);
        job->request.updatePage = job->updatePage;
        job->request.userName = job->userName;
        HANDLE thread = StartThreadedFunc(RefreshJobThread, job);
        if (thread) {
            CloseHandle(thread);
            return;
        }
        delete job;
    }
    InterlockedExchange(&g_dialler.refreshRunning, 0);
}

bool HandleDialEvent(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DIAL_PROGRESS:
        if (IsCurrentRun(lParam))
            OnProgress(static_cast<RasConnState>(wParam));
        return true;
    case WM_DIAL_REFUSED:
        if (IsCurrentRun(lParam))
            OnRefused(static_cast<DWORD>(wParam));
        return true;
    case WM_DIAL_STOPPED_BY_ERROR:
        if (IsCurrentRun(lParam))
            OnStoppedByError(dialog, static_cast<DWORD>(wParam));
        return true;
    case WM_DIAL_CONNECTED: {
        auto connection = reinterpret_cast<RasConnHandle>(lParam);
        if (IsCurrentRun(static_cast<LPARAM>(wParam)))
            OnConnected(connection);
        else
            HangUpHandedConnection(connection);  // the user stopped meanwhile
        return true;
    }
    default:
        return false;
    }
}
