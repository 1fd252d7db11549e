#include "dialler/BrowserOpen.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "dialler/BrowserCommand.h"
#include "utils/ScopedHandle.h"

namespace {

// Room for a 260-byte registry template, a blank and a 260-byte URL.
constexpr size_t kCommandLineSize = 2 * MAX_PATH + 2;

} // namespace

LONG ReadClassesRootDefault(const char* keyPath, char* out, size_t outSize)
{
    RegistryKey key;
    LONG result = RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, KEY_QUERY_VALUE, key.Receive());
    if (result != ERROR_SUCCESS)
        return result;
    // One byte more than the value can fill, so the text is terminated even
    // when the stored value carries no terminator of its own.
    char value[MAX_PATH + 1] = "";
    DWORD size = MAX_PATH;
    DWORD type = 0;
    result = RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    snprintf(out, outSize, "%s", value);
    return ERROR_SUCCESS;
}

namespace {

// The unnamed value of HKEY_CLASSES_ROOT\keyPath in UTF-16: a browser's
// path may hold letters outside the ANSI code page.
bool ReadClassesRootDefaultW(const wchar_t* keyPath, wchar_t* out, DWORD outChars)
{
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    // One character short of the buffer, so the text is terminated even when
    // the stored value carries no terminator of its own.
    ZeroMemory(out, outChars * sizeof(wchar_t));
    DWORD size = (outChars - 1) * sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS)
        return false;
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Runs commandLine as WinExec would, in UTF-16: above 32 on success, else an
// error code below 32 (0 for any other failure).
INT_PTR RunCommandLine(wchar_t* commandLine, int showCommand)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        DWORD error = GetLastError();
        return error < 32 ? static_cast<INT_PTR>(error) : 0;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 33;
}

} // namespace

INT_PTR OpenInBrowser(const char* url, int showCommand)
{
    INT_PTR shellResult =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, showCommand));
    if (shellResult > 32)
        return shellResult;

    wchar_t documentClass[MAX_PATH] = L"";
    if (!ReadClassesRootDefaultW(L".htm", documentClass, MAX_PATH))
        return shellResult;
    wchar_t commandKey[MAX_PATH + 32];
    const size_t classLength = wcslen(documentClass);
    const wchar_t kCommandSuffix[] = L"\\shell\\open\\command";
    if (classLength + wcslen(kCommandSuffix) + 1 > sizeof commandKey / sizeof commandKey[0])
        return shellResult;
    wmemcpy(commandKey, documentClass, classLength);
    wcscpy(commandKey + classLength, kCommandSuffix);
    wchar_t commandTemplate[MAX_PATH] = L"";
    if (!ReadClassesRootDefaultW(commandKey, commandTemplate, MAX_PATH))
        return shellResult;

    // The address is a setting in the ANSI code page.
    wchar_t wideUrl[MAX_PATH + 8] = L"";
    if (!MultiByteToWideChar(CP_ACP, 0, url, -1, wideUrl, sizeof wideUrl / sizeof wideUrl[0]))
        return shellResult;
    wchar_t commandLine[kCommandLineSize];
    if (!BuildBrowserCommand(commandTemplate, wideUrl, commandLine, kCommandLineSize))
        return shellResult;  // never run a command whose URL was cut short
    return RunCommandLine(commandLine, showCommand);
}
