// switcher.exe: started by the dialler as it exits, with the dialler's
// process id. Waits for the dialler to go, installs the staged files of its
// own directory and always exits with 0. It has no window; the only thing the
// user sees is one message box when anything could not be installed.
//   switcher.exe --startup-check   only shows that this program starts: it
//                                   waits for nothing and installs nothing.
#include <windows.h>

#include <cstdlib>

#include "DiallerWait.h"
#include "StagedInstall.h"
#include "utils/ConnectionLog.h"
#include "utils/ProgramDirectory.h"
#include "utils/ProductVersion.h"
#include "utils/SwitcherRunLock.h"

namespace {

const char kErrorText[] = "Error while updating the application";
const char kErrorTitle[] = "Tovrin Update";
const char kStartupCheckSwitch[] = "--startup-check";

// A run resumed at log-on and one started by an exiting dialler may meet:
// two runs over the same folder would undo each other's swaps, so one waits
// for the other. The first waits at most 15 s for the dialler, then installs.
const DWORD kRunWaitMs = 60000;
// The dialler holds this for its whole life. Held here while files are
// swapped, a dialler started meanwhile finds another instance instead of
// loading half-replaced files; one already running (started again after the
// one we waited for) keeps every file staged.
const wchar_t kInstanceMutexName[] = L"tovrin:Mutex:Instance";
const DWORD kInstanceWaitMs = 1000;

// For the connection log: how many files are staged in the folder.
int CountStaged(const wchar_t* directory)
{
    wchar_t pattern[MAX_PATH];
    if (_snwprintf(pattern, MAX_PATH, L"%ls\\*.uok", directory) < 0)
        return 0;
    pattern[MAX_PATH - 1] = L'\0';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        count += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

void LogFailure(const wchar_t* path, void*)
{
    tovrinlog::Write("could not install %ls", path);
}


// The switcher loads no library of ours; its one resource is its version.
int StartupCheck()
{
    return FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16)) ? 0 : 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc == 2 && lstrcmpA(__argv[1], kStartupCheckSwitch) == 0)
        return StartupCheck();

    // Wide: a folder under a profile named in another script has no narrow
    // name that opens it.
    wchar_t program[MAX_PATH];
    wchar_t directory[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !ProgramDirectoryW(directory, MAX_PATH))
        return 0;

    // The C runtime has already split the command line; an empty argument
    // ("") arrives as an empty text and means no wait.
    const char* argument = __argc > 1 ? __argv[1] : "";
    if (argument[0] != '\0')
        switcher::WaitForDialler(switcher::ParseProcessId(argument), switcher::kDiallerWaitMs);

    int failures = 0;
    {
        // Not had in time: everything stays staged for the next run.
        SwitcherRunLock run(kRunWaitMs);
        if (!run.Held())
            return 0;
        NamedLock dialler(kInstanceMutexName, kInstanceWaitMs);
        if (!dialler.Held())
            return 0;
        const int staged = CountStaged(directory);
        if (staged > 0)
            tovrinlog::Write("start, version " TOVRIN_VERSION_TEXT ", %d staged file(s)", staged);
        failures = switcher::InstallAllStaged(directory, program, LogFailure, nullptr);
        const int left = CountStaged(directory);
        if (staged > 0 && failures == 0 && left == 0)
            tovrinlog::Write("installed %d staged file%s", staged, staged == 1 ? "" : "s");
        else if (staged > 0)
            tovrinlog::Write("kept %d staged file(s) for the next exit, %d failure(s)", left, failures);
    }
    // One message for the whole run, however many files it concerns, shown
    // once the locks are free so a waiting run is not held by an open box.
    // Not at the end of the session: nobody would see it, and it would hold
    // up the log-off.
    if (failures > 0 && !GetSystemMetrics(SM_SHUTTINGDOWN))
        MessageBoxA(nullptr, kErrorText, kErrorTitle, MB_ICONERROR | MB_OK);
    return 0;
}
