#include "update/BareFileName.h"

#include <cctype>
#include <cstring>

namespace Update {

namespace {

const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL"};
const char* const kNumberedDevices[] = {"COM", "LPT"};

bool EqualsIgnoringCase(const char* text, std::size_t length, const char* word)
{
    if (std::strlen(word) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != word[i])
            return false;
    }
    return true;
}

// The system ignores the extension and trailing blanks when it looks for a
// device name, so "nul.txt" and "CON " name devices too.
bool IsDeviceName(const char* name)
{
    std::size_t length = std::strcspn(name, ".");
    while (length > 0 && name[length - 1] == ' ')
        --length;
    for (const char* device : kDeviceNames) {
        if (EqualsIgnoringCase(name, length, device))
            return true;
    }
    if (length == 4 && name[3] >= '1' && name[3] <= '9') {
        for (const char* device : kNumberedDevices) {
            if (EqualsIgnoringCase(name, 3, device))
                return true;
        }
    }
    return false;
}

} // namespace

bool IsBareFileName(const char* name)
{
    if (!name || name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    for (const char* c = name; *c; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || std::strchr("\\/:*?\"<>|", *c))
            return false;
    }
    return !IsDeviceName(name);
}

} // namespace Update
