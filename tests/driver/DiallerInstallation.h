#pragma once
// The real Tovrin.exe in a fresh folder of its own beside the simulated
// remote-access service: started as a user would start it, its dialog and
// boxes found, and the simulator's log of what it asked for read back.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "GuiProcess.h"
#include "RasimLogReader.h"

namespace guidriver {

// A path of the build (a Unix path) as Wine shows it, on drive Z:.
std::string WindowsPath(const std::string& unixPath);

// A folder holding Tovrin.exe, Utils.dll, Praxel.dll, the simulated
// rasapi32.dll and a scenario for it; removed again at destruction, after
// ending any recording stand-in still running.
class Installation {
public:
    // scenario: a file of the dialler tests' scenarios folder, or of
    // scenarioFolder (a Unix path) when given; none when empty. programFolder
    // (UTF-8), when given, puts the programs in a subfolder of that name; the
    // scenario and the log stay outside it, where the simulator can read
    // their paths from the environment whatever the name.
    explicit Installation(const std::string& scenario, const std::string& scenarioFolder = "",
                          const std::string& programFolder = "");
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // The programs' folder (UTF-8, as every path here).
    const std::string& Folder() const { return programs; }
    std::string PathOf(const std::string& name) const { return programs + "\\" + name; }
    std::string LogPath() const { return folder + "\\rasim.log"; }
    std::string ScenarioPath() const { return folder + "\\scenario.txt"; }

    // Copies a file (by its full Windows path) into the folder as name.
    bool AddFile(const std::string& source, const std::string& name) const;
    // Copies one of the build's own programs in (Tallyview.dll, switcher.exe).
    bool AddProgram(const std::string& name) const;
    // Puts the recording stand-in in as name (Tallyview.dll, switcher.exe,
    // a browser): it appends "args=", "dir=", "stdin=" and "pid=" lines, and
    // "quit" when told to end, to NAME.record.
    bool AddStandIn(const std::string& name) const;
    // The stand-in's record so far (complete lines).
    std::vector<std::string> StandInRecord(const std::string& name) const;
    // How often the stand-in was started.
    size_t StandInStarts(const std::string& name) const;
    // How many of the copies started are still running.
    size_t StandInsRunning(const std::string& name) const;
    bool WriteScenario(const std::string& text) const;

    std::vector<rasim::LogEvent> Log() const;
    std::vector<rasim::LogEvent> Log(const std::string& event) const;
    size_t Count(const std::string& event) const { return Log(event).size(); }
    // The whole log, for failure messages.
    std::string LogText() const;
    // The phone numbers RasDial was called with, in order.
    std::vector<std::string> DialledNumbers() const;

private:
    std::string folder;
    std::string programs;
};

// Has Wine load the installation's rasapi32.dll rather than its own, for
// Tovrin.exe alone; ForgetSimulatedService takes that back.
void UseSimulatedService();
void ForgetSimulatedService();

// One run of the installation's Tovrin.exe, ended by force if the test
// leaves it running. The environment tells the simulator its scenario and
// log; WINEDLLOVERRIDES comes from the test's own environment.
class DiallerProcess {
public:
    // workingDirectory defaults to a folder that is not the installation's.
    explicit DiallerProcess(const Installation& installation, const std::string& workingDirectory = "");

    DWORD Id() const { return process.Id(); }
    HANDLE Handle() const { return process.Handle(); }
    bool Started() const { return process.Id() != 0; }
    // Processor time the process has used so far, user and kernel.
    ULONGLONG CpuMs() const;
    // Waits for the exit; returns the exit code, or STILL_ACTIVE on time-out.
    DWORD WaitForExit(DWORD timeoutMs) const;
    void Terminate() { process.Terminate(); }

    // The visible main dialog of this process once its status is written, or
    // 0 after the time-out.
    HWND MainDialog(DWORD timeoutMs = 15000) const;
    // A visible dialog box of this process with the caption; 0 after the
    // time-out.
    HWND MessageBoxWithCaption(const char* caption, DWORD timeoutMs = 10000) const;

private:
    GuiProcess process;
};

// How most dialler tests begin: an installation of scenario with the
// stand-ins put in, its dialler started from elsewhere, and the main dialog
// waited for (0 when it did not come).
struct StartedDialler {
    explicit StartedDialler(const std::string& scenario, std::initializer_list<const char*> standIns = {},
                            DWORD dialogTimeoutMs = 15000);

    // In the order they are made.
    Installation installation;
    bool standInsAdded = true;
    DiallerProcess dialler;
    HWND dialog = nullptr;
};

}  // namespace guidriver
