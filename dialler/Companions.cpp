#include "dialler/Companions.h"

#include <inttypes.h>
#include <stdio.h>
#include <wchar.h>

#include "dialler/BusyState.h"
#include "dialler/ConnectionManager.h"  // WaitPumping
#include "dialler/DiallerContext.h"
#include "utils/ProgramDirectory.h"
#include "utils/SwitcherResume.h"

namespace {

// The statistics program is an executable shipped under a .dll name.
const wchar_t kStatsProgramName[] = L"Tallyview.dll";
const wchar_t kSwitcherProgramName[] = L"switcher.exe";
constexpr DWORD kStatsQuitWaitMs = 2000;

// The start-up record the older systems know; the 64-bit one is larger.
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOW) == 68, "STARTUPINFOW is 68 bytes on 32-bit Windows");

// A program beside the dialler, by full path. In UTF-16: the folder may be
// named outside the ANSI code page, where the narrow path holds "?".
bool ProgramBesideUs(const wchar_t* name, wchar_t* path, size_t size)
{
    wchar_t directory[MAX_PATH];
    if (!ProgramDirectoryW(directory, MAX_PATH))
        return false;
    // Measured, not left to swprintf: the system's one fills the buffer to
    // its last character and leaves out the terminator.
    const size_t directoryLength = wcslen(directory);
    const size_t nameLength = wcslen(name);
    if (directoryLength + nameLength + 1 > size)
        return false;
    wmemcpy(path, directory, directoryLength);
    wmemcpy(path + directoryLength, name, nameLength + 1);
    return true;
}

} // namespace

bool StartStatsWindow()
{
    wchar_t program[MAX_PATH];
    if (!ProgramBesideUs(kStatsProgramName, program, MAX_PATH))
        return false;

    // One window at a time: a copy left from an earlier connection would
    // keep counting and its Disconnect would hang up the new connection.
    // Its wait serves the dialog (the end of the session among its messages)
    // with input ignored; a shutdown that came meanwhile wants no new copy.
    {
        BusyScope busy;
        StopStatsWindow();
    }
    if (IsClosing())
        return false;

    // Tallyview takes the dialler's window from the standard-input field;
    // the same handle goes on the command line for the reader that wants it.
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = reinterpret_cast<HANDLE>(g_dialler.mainDialog);

    wchar_t commandLine[32];
    swprintf(commandLine, 32, L"%" PRIu64,
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(g_dialler.mainDialog)));

    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    g_dialler.statsProcess = started;
    return true;
}

bool StopStatsWindow()
{
    return StopStatsWindowWithin(kStatsQuitWaitMs);
}

bool StopStatsWindowWithin(DWORD limitMs)
{
    // Taken from the context first: a stop nested in this one's wait finds
    // nothing left to stop.
    PROCESS_INFORMATION stats = g_dialler.statsProcess;
    if (!stats.hProcess)
        return false;
    g_dialler.statsProcess = PROCESS_INFORMATION{};
    PostThreadMessageA(stats.dwThreadId, WM_QUIT, 0, 0);
    if (!WaitPumping(stats.hProcess, limitMs))
        TerminateProcess(stats.hProcess, 0);
    CloseHandle(stats.hThread);
    CloseHandle(stats.hProcess);
    return true;
}

bool WriteSwitcherEntry()
{
    wchar_t program[MAX_PATH];
    if (!ProgramBesideUs(kSwitcherProgramName, program, MAX_PATH))
        return false;
    WriteSwitcherResume(program, false);
    return true;
}

bool StartSwitcher()
{
    // By full path, the one the log-on entry names too; the command line
    // stays "switcher.exe PID", which switcher reads.
    wchar_t program[MAX_PATH];
    if (!ProgramBesideUs(kSwitcherProgramName, program, MAX_PATH))
        return false;
    WriteSwitcherResume(program, false);

    wchar_t commandLine[64];
    swprintf(commandLine, 64, L"%ls %i", kSwitcherProgramName, static_cast<int>(GetCurrentProcessId()));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}
