// Plays the user in the unattended demo: presses Connect on the running
// dialler, reports the status texts as they change, and later disconnects
// and closes it. One step per run, so the demo script can take a screenshot
// between steps.
//   demo_driver wait-dialog            wait for the main dialog
//   demo_driver connect                press Connect, follow the status until connected
//   demo_driver statistics             read and close the provider's message, then wait
//                                      for the statistics window's figures
//   demo_driver disconnect             press the statistics window's Disconnect
//   demo_driver close                  close the dialler and wait for it to exit
//   demo_driver wait-switcher          once the dialler has gone: wait until switcher's run is over
// TOVRIN_DRIVER_PATIENCE=N multiplies every wait by N, for programs that start
// slowly (32-bit ones under emulation).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Controls.h"
#include "MessageBoxes.h"
#include "WindowSearch.h"
#include "dialler/res/resource.h"
#include "utils/SwitcherRunLock.h"
#include "stats/res/resource.h"

namespace {

BOOL CALLBACK MatchDialler(HWND window, LPARAM found)
{
    if (guidriver::WindowClass(window) == MAIN_DIALOG_CLASS_TEXT) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK SearchBelow(HWND window, LPARAM found)
{
    if (!MatchDialler(window, found))
        return FALSE;
    EnumChildWindows(window, MatchDialler, found);
    return *reinterpret_cast<HWND*>(found) == nullptr;
}

// The first window the enumeration's match picks, waiting up to timeoutMs.
HWND WaitForWindow(WNDENUMPROC match, DWORD timeoutMs)
{
    HWND found = nullptr;
    guidriver::WaitUntil(
        [&] {
            EnumWindows(match, reinterpret_cast<LPARAM>(&found));
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// While connected the dialog sits under an invisible parent (so it leaves the
// taskbar), so it is looked for below the top-level windows too.
HWND FindDialler(DWORD timeoutMs)
{
    return WaitForWindow(SearchBelow, timeoutMs);
}

// Prints each new status text until the dialog hides itself in the
// notification area (connected) or the time runs out.
bool FollowUntilConnected(HWND dialog, DWORD timeoutMs)
{
    HWND status = guidriver::FindControl(dialog, IDC_STATUS);
    std::string last;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        const std::string now = guidriver::ControlText(status);
        if (now != last) {
            std::printf("  status: %s\n", now.empty() ? "(empty)" : now.c_str());
            std::fflush(stdout);
            last = now;
        }
        if (!IsWindowVisible(dialog) && guidriver::ControlText(guidriver::FindControl(dialog, IDC_CONNECT)) != "&Connect")
            return true;
        Sleep(50);
    }
    return false;
}

// The statistics window: a dialog with the used-time field, in whichever
// process shows it.
BOOL CALLBACK MatchStatistics(HWND window, LPARAM found)
{
    if (guidriver::WindowClass(window) == "#32770" && IsWindowVisible(window) &&
        guidriver::FindControl(window, IDC_USED_TIME)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

DWORD Patience()
{
    const char* text = std::getenv("TOVRIN_DRIVER_PATIENCE");
    const long factor = text ? std::strtol(text, nullptr, 10) : 1;
    return factor >= 1 && factor <= 100 ? static_cast<DWORD>(factor) : 1;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "demo_driver: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage: demo_driver wait-dialog|connect|statistics|disconnect|close|wait-switcher");
    const std::string step = argv[1];
    const DWORD patience = Patience();
    if (step == "wait-switcher") {
        // Its run holds the lock from before it installs until it is done.
        SwitcherRunLock lock(120000 * patience);
        return lock.Held() ? 0 : Fail("switcher still busy");
    }
    HWND dialog = FindDialler(30000 * patience);
    if (!dialog)
        return Fail("the dialler's window did not appear");

    if (step == "wait-dialog")
        return 0;
    if (step == "connect") {
        if (!guidriver::Click(guidriver::FindControl(dialog, IDC_CONNECT)))
            return Fail("could not press Connect");
        if (!FollowUntilConnected(dialog, 90000 * patience))
            return Fail("no connection");
        std::printf("  connected: the dialler is in the notification area\n");
        return 0;
    }
    if (step == "statistics") {
        // The window waits behind the provider's message until the user has
        // read it; only then does it fill its title and figures.
        const guidriver::MessageBoxSeen message =
            guidriver::AnswerMessageBox("tovrin - User message", 0, IDOK, 60000 * patience);
        if (!message.box)
            return Fail("the provider's message did not appear");
        std::printf("  the provider's message, read and closed: %s\n", message.text.c_str());
        HWND statistics = WaitForWindow(MatchStatistics, 30000 * patience);
        if (!statistics ||
            !guidriver::WaitUntil([&] { return !guidriver::WindowTitle(statistics).empty(); }, 30000 * patience))
            return Fail("the statistics window did not fill in");
        std::printf("  %s: used %s, allowed %s, remaining %s\n", guidriver::WindowTitle(statistics).c_str(),
                    guidriver::ControlText(statistics, IDC_USED_TIME).c_str(),
                    guidriver::ControlText(statistics, IDC_ALLOWED_TIME).c_str(),
                    guidriver::ControlText(statistics, IDC_REMAINING_TIME).c_str());
        return 0;
    }
    if (step == "disconnect") {
        HWND statistics = WaitForWindow(MatchStatistics, 30000 * patience);
        DWORD statisticsId = 0;
        if (statistics)
            GetWindowThreadProcessId(statistics, &statisticsId);
        HANDLE statisticsProcess = OpenProcess(SYNCHRONIZE, FALSE, statisticsId);
        if (!statisticsProcess || !guidriver::Click(guidriver::FindControl(statistics, IDC_DISCONNECT)))
            return Fail("could not press the statistics window's Disconnect");
        // Its Disconnect ends the statistics program too; closing the dialler
        // before it has gone would make the dialler end it by force.
        const bool ended = WaitForSingleObject(statisticsProcess, 20000 * patience) == WAIT_OBJECT_0;
        CloseHandle(statisticsProcess);
        if (!ended)
            return Fail("the statistics window's program did not end after Disconnect");
        if (!guidriver::WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 20000 * patience))
            return Fail("the dialler did not come back after disconnecting");
        std::printf("  disconnected: %s\n", guidriver::ControlText(guidriver::FindControl(dialog, IDC_STATUS)).c_str());
        return 0;
    }
    if (step == "close") {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        if (!guidriver::WaitUntil([&] { return !IsWindow(dialog); }, 30000 * patience))
            return Fail("the dialler did not close");
        return 0;
    }
    return Fail("unknown step");
}
