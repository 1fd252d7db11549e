// switcher.exe: started by the dialler as it exits, with the dialler's
// process id. Waits for the dialler to go, installs the staged files of its
// own directory and always exits with 0. It has no window; the only thing the
// user sees is a message box for each file that could not be installed.
#include <windows.h>

#include <cstdlib>

#include "DiallerWait.h"
#include "StagedInstall.h"
#include "utils/ProgramDirectory.h"

namespace {

const char kErrorText[] = "Error while updating the application";
const char kErrorTitle[] = "Tovrin Update";

void ShowInstallError(const char*, void*)
{
    MessageBoxA(nullptr, kErrorText, kErrorTitle, MB_ICONERROR | MB_OK);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char directory[MAX_PATH];
    if (!ProgramDirectory(directory, sizeof directory))
        return 0;

    // The C runtime has already split the command line; an empty argument
    // ("") arrives as an empty text and means no wait.
    const char* argument = __argc > 1 ? __argv[1] : "";
    if (argument[0] != '\0')
        switcher::WaitForDialler(switcher::ParseProcessId(argument), switcher::kDiallerWaitMs);

    switcher::InstallAllStaged(directory, ShowInstallError, nullptr);
    return 0;
}
