#include "RegistryAccess.h"

#include <cstring>

#include "ScopedHandle.h"

namespace utils {

const char kSettingsPath[] = "Software\\tovrin";
const char kVersionRecordsPath[] = "Software\\tovrin\\Update";

namespace {

bool CreateForWriting(HKEY root, const char* path, RegistryKey& key)
{
    return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                           key.Receive(), nullptr) == ERROR_SUCCESS;
}

// Queries a text value into a zero-filled buffer of kRegistryTextBuffer bytes.
// A value stored without its terminator that fills the whole buffer has no
// room for one, so it counts as not fitting.
bool QueryText(HKEY key, const char* name, char* buffer)
{
    std::memset(buffer, 0, kRegistryTextBuffer);
    DWORD size = kRegistryTextBuffer;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return false;
    if (size >= kRegistryTextBuffer && buffer[kRegistryTextBuffer - 1] != '\0') {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

} // namespace

void RegistryAccess::ReadString(HKEY root, const char* path, const char* name, char* out) const
{
    out[0] = '\0';
    RegistryKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return;
    char buffer[kRegistryTextBuffer];
    if (QueryText(key.Get(), name, buffer))
        std::memcpy(out, buffer, kRegistryTextBuffer);
}

void RegistryAccess::WriteString(HKEY root, const char* path, const char* name, const char* value) const
{
    RegistryKey key;
    if (!CreateForWriting(root, path, key))
        return;
    const DWORD length = static_cast<DWORD>(std::strlen(value) + 1);
    RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), length);
}

bool RegistryAccess::HasValue(HKEY root, const char* path, const char* name) const
{
    RegistryKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS)
        return false;
    char buffer[kRegistryTextBuffer];
    return QueryText(key.Get(), name, buffer);
}

void RegistryAccess::DeleteValue(HKEY root, const char* path, const char* name) const
{
    RegistryKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key.Get(), name);
}

void RegistryAccess::WriteNumber(HKEY root, const char* path, const char* name, uint32_t value) const
{
    RegistryKey key;
    if (!CreateForWriting(root, path, key))
        return;
    const DWORD number = value;
    RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

bool RegistryAccess::ReadNumber(HKEY root, const char* path, const char* name, uint32_t* value) const
{
    RegistryKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;
    DWORD number = 0;
    DWORD size = sizeof number;
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
        ERROR_SUCCESS)
        return false;
    // A short text such as "60" fits in four bytes too; its characters are
    // not a number, so anything but a whole DWORD counts as absent.
    if (type != REG_DWORD || size != sizeof number)
        return false;
    *value = number;
    return true;
}

} // namespace utils
