#pragma once
// A stand-in for the dialler: a window of its own that starts the real
// Tallyview.dll exactly as the dialler does (its window handle in the
// standard-input field with STARTF_USESTDHANDLES, and in decimal on the
// command line) and counts every WM_STATS_DISCONNECT it receives.
#include <windows.h>

#include <string>

#include "Controls.h"
#include "WindowSearch.h"
#include "utils/ScopedHandle.h"

namespace stats_test {

// How long a test waits for something that should happen. Generous, since a
// loaded machine under Wine can be slow and only a failing test waits it out.
const DWORD kEventWait = 30000;

enum class StartMode {
    WithWindowHandle,  // as the dialler starts it: no handle inheritance
    InheritingHandles, // the same with handle inheritance, which keeps the
                       // field's value intact under Wine too
    WithoutStdHandles, // no STARTF_USESTDHANDLES (handle still on the command line)
    WithNullHandle,    // the flag, a null field and an empty command line
};

class StandInDialler {
public:
    StandInDialler();
    ~StandInDialler();
    StandInDialler(const StandInDialler&) = delete;
    StandInDialler& operator=(const StandInDialler&) = delete;

    // extraEnvironment: "NAME=value" added to this process's environment for
    // the child only (empty for none).
    bool Start(StartMode mode = StartMode::WithWindowHandle, const std::string& extraEnvironment = "");

    // Handles this thread's messages (where 1203 arrives) for ms. The GUI
    // driver's waits handle them too.
    void Pump(DWORD ms);
    // Pumps until the statistics window exists; null after timeoutMs.
    HWND WaitForStatsWindow(DWORD timeoutMs);
    // Pumps until the program has ended; its exit code, or -1 on time-out.
    long WaitForExit(DWORD timeoutMs);
    bool Running() const;
    // The dialler's stop: a quit message to the program's main thread.
    bool PostQuit(WPARAM exitCode);
    // Ends the program if it still runs (test clean-up).
    void Stop();

    // Top-level dialog window of the program whose caption is caption, or
    // whose caption is anything when caption is null.
    HWND FindTopLevel(const char* caption) const;
    guidriver::WindowQuery DialogQuery(const char* caption, bool visibleOnly) const;

    int DisconnectsReceived() const { return disconnects; }
    HWND Window() const { return window; }
    DWORD ProcessId() const { return processId; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window = nullptr;
    KernelHandle process;
    DWORD processId = 0;
    DWORD threadId = 0;
    int disconnects = 0;
};

// Windows of the program are read and waited for with the GUI driver.
using guidriver::ControlText;
using guidriver::WaitForControlText;
using guidriver::WaitForWindowTitle;
using guidriver::WindowTitle;

} // namespace stats_test
