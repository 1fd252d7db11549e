#include <windows.h>

#include "SettingsLock.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        utils::OpenSettingsLock();
        break;
    case DLL_PROCESS_DETACH:
        utils::CloseSettingsLock();
        break;
    default:
        break;
    }
    return TRUE;
}
