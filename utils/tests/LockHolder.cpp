// Test helper: holds the settings lock "Tovrin:Utils" from a second process.
//   utils_lock_holder release HELD GO NAME VALUE
//       takes the lock, signals HELD, waits for GO, writes NAME=VALUE under
//       HKCU\Software\tovrin and only then releases the lock.
//   utils_lock_holder abandon HELD GO
//       takes the lock, signals HELD, waits for GO and exits still holding it.
// HELD and GO are named events the test created. Exit code 0 on success.
#include <windows.h>

#include <cstring>

#include "utils/ScopedHandle.h"

namespace {

const DWORD kWaitLimit = 60000;

bool WriteMarker(const char* name, const char* value)
{
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\tovrin", 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const bool abandon = std::strcmp(argv[1], "abandon") == 0;
    if (!abandon && argc < 6)
        return 2;
    KernelHandle held(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
    KernelHandle go(OpenEventA(SYNCHRONIZE, FALSE, argv[3]));
    KernelHandle lock(CreateMutexA(nullptr, FALSE, "Tovrin:Utils"));
    if (!held || !go || !lock)
        return 3;
    const DWORD taken = WaitForSingleObject(lock.Get(), kWaitLimit);
    if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED)
        return 4;
    SetEvent(held.Get());
    if (WaitForSingleObject(go.Get(), kWaitLimit) != WAIT_OBJECT_0)
        return 5;
    if (abandon)
        ExitProcess(0);
    // The marker goes in while the lock is still ours: a writer that waited
    // for the lock overwrites it, one that did not wait is overwritten.
    const bool written = WriteMarker(argv[4], argv[5]);
    ReleaseMutex(lock.Get());
    return written ? 0 : 6;
}
