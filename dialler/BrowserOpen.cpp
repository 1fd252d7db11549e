#include "dialler/BrowserOpen.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

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

INT_PTR OpenInBrowser(const char* url, int showCommand)
{
    INT_PTR shellResult =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, showCommand));
    if (shellResult > 32)
        return shellResult;

    char documentClass[MAX_PATH] = "";
    if (ReadClassesRootDefault(".htm", documentClass, sizeof(documentClass)) != ERROR_SUCCESS)
        return shellResult;
    char commandKey[MAX_PATH + 32];
    snprintf(commandKey, sizeof(commandKey), "%s\\shell\\open\\command", documentClass);
    char commandTemplate[MAX_PATH] = "";
    if (ReadClassesRootDefault(commandKey, commandTemplate, sizeof(commandTemplate)) != ERROR_SUCCESS)
        return shellResult;

    char commandLine[kCommandLineSize];
    if (!BuildBrowserCommand(commandTemplate, url, commandLine, sizeof(commandLine)))
        return shellResult;  // never run a command whose URL was cut short
    return static_cast<INT_PTR>(WinExec(commandLine, static_cast<UINT>(showCommand)));
}
