#pragma once
// Drives the real Tovrin.exe for the start-up, dialling and number tests: a
// fresh installation folder with the simulated remote-access service, the
// running process, its dialog, its message boxes and the simulator's log.
#include <windows.h>

#include <string>
#include <vector>

#include "RasimLogReader.h"

namespace coredriver {

// A folder holding Tovrin.exe, Utils.dll, Praxel.dll and the simulated
// rasapi32.dll; removed again at destruction.
class Installation {
public:
    // scenario names a file in the tests' scenarios folder.
    explicit Installation(const std::string& scenario);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::string& Folder() const { return folder; }
    std::string PathOf(const std::string& name) const { return folder + "\\" + name; }
    std::string LogPath() const { return PathOf("rasim.log"); }

    // Copies a file (by its full Windows path) into the folder as name.
    bool AddFile(const std::string& source, const std::string& name) const;

    std::vector<rasim::LogEvent> Log() const;
    std::vector<rasim::LogEvent> Log(const std::string& event) const;
    // The whole log, for failure messages.
    std::string LogText() const;
    // The phone numbers RasDial was called with, in order.
    std::vector<std::string> DialledNumbers() const;

private:
    std::string folder;
};

class DiallerProcess {
public:
    // Starts Tovrin.exe of the installation; workingDirectory defaults to a
    // folder that is not the installation's.
    explicit DiallerProcess(const Installation& installation, const std::string& workingDirectory = "");
    ~DiallerProcess();  // terminates the process if it is still running
    DiallerProcess(const DiallerProcess&) = delete;
    DiallerProcess& operator=(const DiallerProcess&) = delete;

    DWORD Id() const { return processId; }
    // Processor time the process has used so far, user and kernel.
    ULONGLONG CpuMs() const;
    // Waits for the exit; returns the exit code, or STILL_ACTIVE on time-out.
    DWORD WaitForExit(DWORD timeoutMs);

    // The visible main dialog of this process, or 0 after the time-out.
    HWND MainDialog(DWORD timeoutMs = 15000) const;
    // A visible dialog box of this process with the caption; 0 after the
    // time-out.
    HWND MessageBoxWithCaption(const char* caption, DWORD timeoutMs = 10000) const;

private:
    HANDLE process = nullptr;
    DWORD processId = 0;
};

// Texts of windows of another process.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// The message of a message box: its longest static text.
std::string MessageBoxText(HWND box);
// Presses a button of a message box (IDOK, IDCANCEL) without waiting.
void Answer(HWND box, int buttonId);
// Clicks a dialog button without waiting for the handler.
void Click(HWND dialog, int id);

// Polls until ControlText(dialog, id) equals text; false on time-out.
bool WaitForControlText(HWND dialog, int id, const std::string& text, DWORD timeoutMs);
// Polls until the condition holds; false on time-out.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs)
{
    DWORD started = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - started > timeoutMs)
            return false;
        Sleep(50);
    }
}

// The device list's entries and selection (-1: none).
std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);

} // namespace coredriver
