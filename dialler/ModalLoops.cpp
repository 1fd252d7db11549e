#include "dialler/ModalLoops.h"

#include <string.h>

namespace {

// Dialogs and message boxes alike are of the system's dialog class.
constexpr char kDialogClass[] = "#32770";

BOOL CALLBACK EndIfDialog(HWND window, LPARAM except)
{
    char className[16] = "";
    if (window != reinterpret_cast<HWND>(except) && GetClassNameA(window, className, sizeof className) &&
        strcmp(className, kDialogClass) == 0)
        EndDialog(window, IDCANCEL);
    return TRUE;
}

} // namespace

void EndModalLoops(HWND except)
{
    EndMenu();
    EnumThreadWindows(GetCurrentThreadId(), EndIfDialog, reinterpret_cast<LPARAM>(except));
}
