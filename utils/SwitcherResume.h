#pragma once
// The per-user entry that runs switcher once at the next log-on, so an
// install that the end of a session cut short is finished then. The dialler
// writes it before starting switcher; switcher writes it while it replaces
// files and deletes it when its run is over. Header-only, like
// ProgramDirectory.h: switcher.exe links no library of ours.
#include <windows.h>

#include <cwchar>

const wchar_t kSwitcherResumeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t kSwitcherResumeValue[] = L"TovrinSwitcher";

// Stores "\"<switcherPath>\" \"\"": the empty argument means no dialler to
// wait for. With keepExisting an entry already there is left as it is.
inline void WriteSwitcherResume(const wchar_t* switcherPath, bool keepExisting)
{
    const wchar_t prefix[] = L"\"";
    const wchar_t suffix[] = L"\" \"\"";
    wchar_t command[MAX_PATH + 8];
    const size_t pathLength = std::wcslen(switcherPath);
    if (pathLength >= MAX_PATH)
        return;
    std::wcscpy(command, prefix);
    std::wcscat(command, switcherPath);
    std::wcscat(command, suffix);

    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSwitcherResumeKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (!keepExisting || RegQueryValueExW(key, kSwitcherResumeValue, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        RegSetValueExW(key, kSwitcherResumeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                       static_cast<DWORD>((std::wcslen(command) + 1) * sizeof command[0]));
    RegCloseKey(key);
}

inline void ClearSwitcherResume()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSwitcherResumeKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, kSwitcherResumeValue);
        RegCloseKey(key);
    }
}
