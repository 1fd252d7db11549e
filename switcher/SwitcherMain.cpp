// switcher.exe: started by the dialler as it exits, with the dialler's
// process id. Waits for the dialler to go, installs the staged files of its
// own directory and always exits with 0. It has no window; the only thing the
// user sees is one message box when anything could not be installed.
#include <windows.h>

#include <cstdlib>

#include "DiallerWait.h"
#include "StagedInstall.h"
#include "utils/ProgramDirectory.h"

namespace {

const char kErrorText[] = "Error while updating the application";
const char kErrorTitle[] = "Tovrin Update";

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
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

    // One message for the whole run, however many files it concerns.
    if (switcher::InstallAllStaged(directory, program, nullptr, nullptr) > 0)
        MessageBoxA(nullptr, kErrorText, kErrorTitle, MB_ICONERROR | MB_OK);
    return 0;
}
