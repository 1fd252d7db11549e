#pragma once
// A program under test, started with its own current directory and extra
// environment variables, and ended by force if the test leaves it running.
#include "utils/ScopedHandle.h"

#include <map>
#include <string>

namespace guidriver {

class GuiProcess {
public:
    GuiProcess() = default;
    // Terminates the process if it is still running.
    ~GuiProcess();
    GuiProcess(const GuiProcess&) = delete;
    GuiProcess& operator=(const GuiProcess&) = delete;

    // Starts exe with the arguments, in directory (empty: the test's own),
    // with the test's environment plus these variables (an empty value
    // removes one). False when it could not start.
    bool Start(const std::string& exe, const std::string& arguments, const std::string& directory,
               const std::map<std::string, std::string>& environment = {});

    DWORD Id() const { return processId; }
    HANDLE Handle() const { return process.Get(); }
    bool Running() const;
    // Waits for the process to end; false on time-out.
    bool WaitForExit(DWORD timeoutMs) const;
    // The exit code, or STILL_ACTIVE.
    DWORD ExitCode() const;
    void Terminate();

private:
    KernelHandle process;
    DWORD processId = 0;
};

}  // namespace guidriver
