#include "SettingsLock.h"

#include <windows.h>

namespace utils {

namespace {
HANDLE settingsLock = nullptr;
}

void OpenSettingsLock()
{
    if (!settingsLock)
        settingsLock = CreateMutexA(nullptr, FALSE, "Tovrin:Utils");
}

void CloseSettingsLock()
{
    if (settingsLock) {
        CloseHandle(settingsLock);
        settingsLock = nullptr;
    }
}

SettingsLockHold::SettingsLockHold() : held(false)
{
    if (!settingsLock)
        return;
    // WAIT_ABANDONED also makes us the owner: the dead holder's write is
    // whatever the registry kept, and we go on normally.
    const DWORD result = WaitForSingleObject(settingsLock, INFINITE);
    held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

SettingsLockHold::~SettingsLockHold()
{
    if (held)
        ReleaseMutex(settingsLock);
}

} // namespace utils
