#pragma once
// Drives a real Tovrin.exe from a test: a fresh installation folder with the
// simulated remote-access service, the program started with a scenario and a
// call log, its windows found, clicked and read.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "RasimLogReader.h"

namespace driver {

// Pumps this thread's messages while waiting; true once done() holds.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Text of any window, also one of another process.
std::string TextOf(HWND window);

// A visible top-level window of the process with this class and, when given,
// this caption.
HWND FindTopWindow(DWORD processId, const char* className, const char* caption);
HWND WaitForTopWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs);

// The text of a message box window.
std::string MessageBoxText(HWND box);

// Posts a button click (WM_COMMAND with BN_CLICKED) to a dialog.
void Click(HWND dialog, int controlId);

// Lines of a stand-in's record file; empty when there is none yet.
std::vector<std::string> ReadLines(const std::string& path);

// Asks the test's screenshot watcher to photograph the display into
// BUILD/screenshots/<name>.png; true once the picture is there.
bool Screenshot(const std::string& name);

class DiallerRun {
public:
    // Copies the program, its libraries, the simulator and the stand-ins
    // into a new folder named after the test.
    DiallerRun(const std::string& testName, const std::string& scenarioFixture);
    ~DiallerRun();
    DiallerRun(const DiallerRun&) = delete;
    DiallerRun& operator=(const DiallerRun&) = delete;

    bool Start();
    // The main dialog, once it is up (0 when it does not come).
    HWND WaitForDialog(DWORD timeoutMs = 30000);
    bool WaitForExit(DWORD timeoutMs);

    HANDLE Process() const { return process; }
    DWORD ProcessId() const { return processId; }
    HWND Dialog() const { return dialog; }
    const std::string& Folder() const { return folder; }
    std::string FolderFile(const char* name) const { return folder + "\\" + name; }

    std::vector<rasim::LogEvent> RasLog() const;
    size_t CountRasEvents(const char* name) const;

    std::string StatusText() const;
    std::string ConnectText() const;

private:
    std::string folder;
    std::string scenario;
    std::string logPath;
    HANDLE process = nullptr;
    DWORD processId = 0;
    HWND dialog = nullptr;
};

} // namespace driver
