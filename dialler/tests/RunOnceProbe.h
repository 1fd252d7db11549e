#pragma once
// The per-user log-on entry the dialler leaves for switcher. Wide: it names a
// folder that may be outside the ANSI code page.
#include <windows.h>

#include <string>

#include "DiallerInstallation.h"
#include "TextFiles.h"

constexpr const wchar_t* kRunOnceKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The entry's text; "" when there is none.
inline std::wstring SwitcherRunOnce()
{
    wchar_t data[1024] = L"";
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kRunOnceKey, L"TovrinSwitcher", RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return L"";
    return data;
}

inline void ClearSwitcherRunOnce()
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunOnceKey, L"TovrinSwitcher");
}

// What the entry must say: switcher beside the dialler, not waiting.
inline bool RunOnceStartsSwitcherOf(const guidriver::Installation& installation)
{
    std::wstring expected = L"\"" + guidriver::Wide(installation.PathOf("switcher.exe")) + L"\" \"\"";
    return lstrcmpiW(SwitcherRunOnce().c_str(), expected.c_str()) == 0;
}
