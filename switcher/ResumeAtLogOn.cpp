#include "ResumeAtLogOn.h"

#include <windows.h>

#include <cwchar>

#include "FileSteps.h"
#include "PathText.h"
#include "utils/ScopedHandle.h"

namespace switcher {

const wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t kRunOnceValue[] = L"TovrinSwitcher";

void RegisterResumeAtLogOn(const wchar_t* switcherPath)
{
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        key.Receive(), nullptr) != ERROR_SUCCESS)
        return;
    if (RegQueryValueExW(key.Get(), kRunOnceValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        return;
    wchar_t command[kPathBuffer + 8];
    if (!PathText(command, sizeof command / sizeof command[0]).Add(L"\"").Add(switcherPath).Add(L"\" \"\"").Fits())
        return;
    const DWORD bytes = static_cast<DWORD>((std::wcslen(command) + 1) * sizeof command[0]);
    RegSetValueExW(key.Get(), kRunOnceValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command), bytes);
}

void ClearResumeAtLogOn()
{
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS)
        RegDeleteValueW(key.Get(), kRunOnceValue);
}

} // namespace switcher
