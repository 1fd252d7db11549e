// Program entry: the one-instance rule, the main dialog's window class, the
// offer to hang up a connection left open, and the order of shutdown.
#include "dialler/DiallerMain.h"

#include <windows.h>
#include <string.h>

#include "dialler/BusyState.h"
#include "dialler/Companions.h"
#include "dialler/ConnectionManager.h"
#include "dialler/DiallerContext.h"
#include "dialler/MainDialog.h"
#include "dialler/StartupCheck.h"
#include "dialler/ModalLoops.h"
#include "dialler/SessionEndWatch.h"
#include "utils/ProgramDirectory.h"
#include "utils/ConnectionLog.h"
#include "utils/ProductVersion.h"
#include "utils/StartupCheck.h"

DiallerContext g_dialler;

namespace {

// Class styles of the dialog class: double clicks, save bits, byte-aligned.
constexpr UINT kMainDialogClassStyle = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;

// The waits of the end of the session together: the system shows its
// "preventing shutdown" screen about five seconds after asking.
constexpr DWORD kSessionEndWaitMs = 1500;

// Staged files, ".\Update" and switcher.exe are all relative to the current
// directory, and switcher looks in its own; so the dialler works in the
// directory it was installed to, however it was started. In UTF-16: the
// folder may be named outside the ANSI code page.
bool EnterOwnDirectory()
{
    wchar_t path[MAX_PATH];
    return ProgramDirectoryW(path, MAX_PATH) && SetCurrentDirectoryW(path);
}

// Writes switcher's log-on entry and starts it, once per process. From here
// on the process may be ended with nothing lost.
void StartSwitcherOnce()
{
    if (g_dialler.switcherStarted)
        return;
    g_dialler.switcherStarted = true;
    StartSwitcher();
}

// The steps every exit ends with: wait for the dial thread, end the dialog,
// stop Tallyview, start switcher. The dial lock is not deleted: a thread
// not waited out may still take it.
void RunExitSteps()
{
    // A run still dialling hangs up its own attempt and ends; wait for it
    // while the dialog is served, never in a bare lock wait.
    WaitForDialThread(kDialThreadStopMs);
    EndDialog(g_dialler.mainDialog, IDCANCEL);
    StopStatsWindow();
    StartSwitcherOnce();
}

void BringRunningInstanceForward()
{
    HWND running = FindWindowA(MAIN_DIALOG_CLASS, nullptr);
    // A dialler hidden in the notification area stays hidden.
    if (running && IsWindowVisible(running))
        SetForegroundWindow(running);
}

} // namespace

int DiallerMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_dialler.instanceMutex = CreateMutexA(nullptr, FALSE, INSTANCE_MUTEX);
    DWORD wait = g_dialler.instanceMutex ? WaitForSingleObject(g_dialler.instanceMutex, 0) : WAIT_FAILED;
    // An abandoned mutex is ours too: the dialler that held it is gone.
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        MessageBoxA(nullptr, "Tovrin is already running", "Tovrin running", MB_ICONINFORMATION | MB_OK);
        BringRunningInstanceForward();
        if (g_dialler.instanceMutex)
            CloseHandle(g_dialler.instanceMutex);
        g_dialler.instanceMutex = nullptr;
        return 0;
    }

    tovrinlog::Write("start, version " TOVRIN_VERSION_TEXT);
    g_dialler.outsideOwnDirectory = !EnterOwnDirectory();
    g_dialler.instance = instance;
    RunMainDialog(instance);
    tovrinlog::Write("exit");
    // The mutex stays owned until the process ends.
    return 0;
}

int RunMainDialog(HINSTANCE instance)
{
    WNDCLASSA dialogClass;
    ZeroMemory(&dialogClass, sizeof dialogClass);
    dialogClass.style = kMainDialogClassStyle;
    dialogClass.lpfnWndProc = DefDlgProcA;
    dialogClass.cbWndExtra = DLGWINDOWEXTRA;
    dialogClass.hInstance = instance;
    dialogClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_DIALLER));
    dialogClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    dialogClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    dialogClass.lpszClassName = MAIN_DIALOG_CLASS;
    RegisterClassA(&dialogClass);

    OfferToCloseOtherConnection();
    if (IsClosing())
        return 0;  // the session ended during the question
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DIALLER), nullptr, MainDialogProc, 0);
    // Something outside ended the dialog (closing the window that holds it
    // in the notification area destroys it too): the shutdown has not run.
    if (g_dialler.mainDialog && !g_dialler.switcherStarted)
        ShutDownQuietly();
    return 0;
}

void OfferToCloseOtherConnection()
{
    char entryName[kRasMaxEntryName + 1] = "";
    if (!FindConnectedConnection(&g_dialler.connection, entryName, sizeof entryName))
        return;
    // No dialog of ours exists yet to hear the end of the session.
    SessionEndWatch watch(g_dialler.instance);
    // No dialog exists yet, so HangUpAndWait serves all of this thread's windows.
    int answer = MessageBoxA(nullptr, "Another connection is still open. Disconnect?", "Warning!", MB_OKCANCEL);
    if (answer == IDOK && !IsClosing())
        HangUpAndWait();
}

void RunShutdownSequence()
{
    // A second close is ignored; one during a hang-up or box is done once
    // that is over.
    if (!BeginClosing())
        return;
    BeginBusy();  // for good: the program is ending
    // An outside close can come while Settings or a box is open.
    EndModalLoops(g_dialler.mainDialog);
    EnableWindow(g_dialler.connectButton, FALSE);
    if (g_dialler.connected) {
        // Cancel keeps the connection up; the program exits all the same.
        int answer = MessageBoxA(g_dialler.mainDialog, "Break connection?", "Tovrin", MB_OKCANCEL);
        // The end of the session may have come while the box was open and
        // done everything already.
        if (g_dialler.switcherStarted)
            return;
        if (answer == IDOK) {
            // The watch must not run while we hang up: a tick that found the
            // line gone would bring the dialog back and hang up again.
            StopConnectionTimer();
            HangUpAndWait();
        }
    } else if (g_dialler.dialling) {
        g_dialler.dialling = 0;
        SetEvent(g_dialler.stopEvent);
    }
    StopConnectionTimer();
    if (!g_dialler.switcherStarted)
        RunExitSteps();
}

void ShutDownQuietly()
{
    if (IsClosing() && g_dialler.switcherStarted)
        return;  // done already, or another window's message nested in it
    MarkClosing();
    // No box, dialog or menu of ours may outlive this: code after each of
    // them re-checks IsClosing.
    EndModalLoops(g_dialler.mainDialog);
    StopConnectionTimer();
    // What must survive being ended by force comes first: the log-on entry
    // that installs staged files, the hang-up asked of the service (neither
    // waits), then switcher, which waits for this process anyway. Starting a
    // process can take a good part of a second on a loaded machine.
    if (!g_dialler.switcherStarted)
        WriteSwitcherEntry();
    g_dialler.dialling = 0;
    SetEvent(g_dialler.stopEvent);
    // Our own line only, never an external one found at start-up; one
    // whose hang-up is already under way has been taken from the context.
    RasConnHandle line = g_dialler.connected ? HangUpWithoutWaiting() : nullptr;
    StartSwitcherOnce();
    tovrinlog::Write("session end");

    // Then the waits, under one bound. What they leave undone the service
    // and the system finish: the line is already being hung up.
    const DWORD started = GetTickCount();
    auto left = [started]() -> DWORD {
        DWORD spent = GetTickCount() - started;
        return spent < kSessionEndWaitMs ? kSessionEndWaitMs - spent : 0;
    };
    WaitUntilReleased(line, left());
    WaitForDialThread(left());
    StopStatsWindowWithin(left());
    EndDialog(g_dialler.mainDialog, IDCANCEL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    // Before the instance check: the switcher running it holds the mutex.
    if (startupcheck::Requested())
        return RunDiallerStartupCheck(instance);
    return DiallerMain(instance, previousInstance, commandLine, showCommand);
}
