#include "dialler/Companions.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "dialler/DiallerContext.h"
#include "utils/ProgramDirectory.h"

namespace {

// The statistics program is an executable shipped under a .dll name.
const char kStatsProgramName[] = "Tallyview.dll";
const char kSwitcherProgramName[] = "switcher.exe";
constexpr DWORD kStatsQuitWaitMs = 2000;

// The start-up record the older systems know; the 64-bit one is larger.
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68, "STARTUPINFOA is 68 bytes on 32-bit Windows");

} // namespace

bool StartStatsWindow()
{
    char program[MAX_PATH];
    char directory[MAX_PATH];
    if (!ProgramDirectory(directory, sizeof(directory)) ||
        snprintf(program, sizeof(program), "%s%s", directory, kStatsProgramName) >= static_cast<int>(sizeof(program)))
        return false;

    // Tallyview takes the dialler's window from the standard-input field;
    // the same handle goes on the command line for the reader that wants it.
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = reinterpret_cast<HANDLE>(g_dialler.mainDialog);

    char commandLine[32];
    snprintf(commandLine, sizeof(commandLine), "%" PRIu64,
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(g_dialler.mainDialog)));

    PROCESS_INFORMATION started = {};
    BOOL ok = CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started);
    if (ok) {
        // Only the copy started last can be stopped at exit; an earlier
        // copy's handles would otherwise leak here.
        if (g_dialler.statsProcess.hThread)
            CloseHandle(g_dialler.statsProcess.hThread);
        if (g_dialler.statsProcess.hProcess)
            CloseHandle(g_dialler.statsProcess.hProcess);
        g_dialler.statsProcess = started;
    }
    return ok != FALSE;
}

bool StopStatsWindow()
{
    PROCESS_INFORMATION& stats = g_dialler.statsProcess;
    if (!stats.hProcess)
        return false;
    PostThreadMessageA(stats.dwThreadId, WM_QUIT, 0, 0);
    if (WaitForSingleObject(stats.hProcess, kStatsQuitWaitMs) == WAIT_TIMEOUT)
        TerminateProcess(stats.hProcess, 0);
    CloseHandle(stats.hThread);
    CloseHandle(stats.hProcess);
    stats.hThread = nullptr;
    stats.hProcess = nullptr;
    return true;
}

bool StartSwitcher()
{
    char commandLine[64];
    snprintf(commandLine, sizeof(commandLine), "%s %i", kSwitcherProgramName,
             static_cast<int>(GetCurrentProcessId()));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(kSwitcherProgramName, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}
