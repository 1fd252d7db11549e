// switcher.exe: started by the dialler as it exits, with the dialler's
// process id. Waits for the dialler to go, installs the staged files of its
// own directory and always exits with 0. It has no window; the only thing the
// user sees is a message box for each file that could not be installed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DiallerWait.h"
#include "StagedInstall.h"

namespace {

const char kErrorText[] = "Error while updating the application";
const char kErrorTitle[] = "Tovrin Update";

void ShowInstallError(const char*, void*)
{
    MessageBoxA(nullptr, kErrorText, kErrorTitle, MB_ICONERROR | MB_OK);
}

// The directory of this program, up to and including its last backslash.
bool ProgramDirectory(char* directory, DWORD size)
{
    const DWORD length = GetModuleFileNameA(nullptr, directory, size);
    if (length == 0 || length >= size)
        return false;
    char* slash = std::strrchr(directory, '\\');
    if (!slash)
        return false;
    slash[1] = '\0';
    return true;
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
