#pragma once
// The registry operations behind the settings store and the version records.
// Stateless: each call opens and closes its own key, and failures are quiet
// (reads give empty text, writes leave the stored value as it was).
#include <windows.h>

#include <cstdint>

namespace utils {

// Text values are read through a buffer of this size: at most 259 characters.
constexpr DWORD kRegistryTextBuffer = 260;

class RegistryAccess {
public:
    // Copies the value into out (kRegistryTextBuffer bytes). Empty text when
    // the key or value is missing or the value does not fit with its
    // terminator.
    void ReadString(HKEY root, const char* path, const char* name, char* out) const;
    void WriteString(HKEY root, const char* path, const char* name, const char* value) const;
    bool HasValue(HKEY root, const char* path, const char* name) const;
    void DeleteValue(HKEY root, const char* path, const char* name) const;
    void WriteNumber(HKEY root, const char* path, const char* name, uint32_t value) const;
    // Writes value only when the read succeeded.
    bool ReadNumber(HKEY root, const char* path, const char* name, uint32_t* value) const;
};

// Where everything lives.
extern const char kSettingsPath[];
extern const char kVersionRecordsPath[];

} // namespace utils
