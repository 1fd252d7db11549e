#include "RegistryProbe.h"

#include <vector>

namespace probe {

const char kSettingsKey[] = "Software\\tovrin";
const char kVersionKey[] = "Software\\tovrin\\Update";

namespace {

std::optional<std::vector<BYTE>> Query(const char* key, const char* name, DWORD* type)
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD size = 0;
    std::optional<std::vector<BYTE>> result;
    if (RegQueryValueExA(h, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<BYTE> data(size);
        if (RegQueryValueExA(h, name, nullptr, type, data.data(), &size) == ERROR_SUCCESS) {
            data.resize(size);
            result = data;
        }
    }
    RegCloseKey(h);
    return result;
}

} // namespace

std::optional<std::string> ReadText(const char* key, const char* name)
{
    DWORD type = 0;
    auto data = Query(key, name, &type);
    if (!data || type != REG_SZ)
        return std::nullopt;
    std::string text(data->begin(), data->end());
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

std::optional<DWORD> ReadDword(const char* key, const char* name)
{
    DWORD type = 0;
    auto data = Query(key, name, &type);
    if (!data || type != REG_DWORD || data->size() != 4)
        return std::nullopt;
    return *reinterpret_cast<const DWORD*>(data->data());
}

std::optional<DWORD> ValueType(const char* key, const char* name)
{
    DWORD type = 0;
    if (!Query(key, name, &type))
        return std::nullopt;
    return type;
}

std::optional<DWORD> StoredSize(const char* key, const char* name)
{
    // Asked in UTF-16: the ANSI query adds a terminator of its own to a text
    // stored without one, which would hide the difference.
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return std::nullopt;
    WCHAR wideName[256] = {};
    MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 255);
    DWORD type = 0;
    DWORD size = 0;
    const LONG result = RegQueryValueExW(h, wideName, nullptr, &type, nullptr, &size);
    RegCloseKey(h);
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    return text ? size / sizeof(WCHAR) : size;
}

void WriteBinary(const char* key, const char* name, const std::string& bytes)
{
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(h, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(h);
}

std::string AllStoredBytes(const char* key)
{
    std::string all;
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return all;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        BYTE data[65536];
        DWORD nameLength = sizeof name, dataSize = sizeof data;
        if (RegEnumValueA(h, index, name, &nameLength, nullptr, nullptr, data, &dataSize) != ERROR_SUCCESS)
            break;
        all.append(name, nameLength).append(reinterpret_cast<const char*>(data), dataSize);
    }
    RegCloseKey(h);
    return all;
}

bool KeyHoldsText(const char* key, const std::string& text)
{
    std::string wide;
    for (char c : text)
        wide.append(1, c).append(1, '\0');
    const std::string all = AllStoredBytes(key);
    return all.find(text) != std::string::npos || all.find(wide) != std::string::npos;
}

void WriteText(const char* key, const char* name, const std::string& value)
{
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

void WriteDword(const char* key, const char* name, DWORD value)
{
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(h);
}

void ClearTovrinKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
}

std::string ReadClassesRoot(const char* key)
{
    char value[1024] = "";
    LONG size = sizeof(value);
    return RegQueryValueA(HKEY_CLASSES_ROOT, key, value, &size) == ERROR_SUCCESS ? value : "";
}

void WriteClassesRoot(const char* key, const std::string& value)
{
    RegSetValueA(HKEY_CLASSES_ROOT, key, REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
}

} // namespace probe
