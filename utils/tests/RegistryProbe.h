#pragma once
// Reads and prepares registry state directly, independently of the library
// under test, so tests check what is really stored.
#include <windows.h>

#include <optional>
#include <string>

namespace probe {

extern const char kSettingsKey[];
extern const char kVersionKey[];

std::optional<std::string> ReadText(const char* key, const char* name);
std::optional<DWORD> ReadDword(const char* key, const char* name);
std::optional<DWORD> ValueType(const char* key, const char* name);
// The stored length: characters for a text (terminator included when one
// was stored), bytes otherwise.
std::optional<DWORD> StoredSize(const char* key, const char* name);
void WriteText(const char* key, const char* name, const std::string& value);
void WriteDword(const char* key, const char* name, DWORD value);
void WriteBinary(const char* key, const char* name, const std::string& bytes);
// Every value of the key, names and data, as one run of bytes: what a copy of
// the hive would show.
std::string AllStoredBytes(const char* key);
// Whether text appears anywhere in the key, as ANSI or as UTF-16.
bool KeyHoldsText(const char* key, const std::string& text);
// Removes Software\tovrin and everything below it.
void ClearTovrinKey();
// The default value of a key under HKEY_CLASSES_ROOT (file types, protocols);
// empty when there is none.
std::string ReadClassesRoot(const char* key);
void WriteClassesRoot(const char* key, const std::string& value);

} // namespace probe
