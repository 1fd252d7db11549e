#include "update/BareFileName.h"

#include <cctype>
#include <cstring>

#include "update/StagingPaths.h"

namespace Update {

namespace {

const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL"};
const char* const kNumberedDevices[] = {"COM", "LPT"};

bool EqualsIgnoringCase(const char* text, std::size_t length, const char* word)
{
    if (std::strlen(word) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(word[i])))
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
    // Current systems also reserve the digit 0 and, in code page 1252, the
    // superscripts 1, 2 and 3.
    const unsigned char number = length == 4 ? static_cast<unsigned char>(name[3]) : 0;
    if ((number >= '0' && number <= '9') || number == 0xB9 || number == 0xB2 || number == 0xB3) {
        for (const char* device : kNumberedDevices) {
            if (EqualsIgnoringCase(name, 3, device))
                return true;
        }
    }
    return false;
}

const char kMarkerSuffix[] = ".UOK";
const std::size_t kMarkerSuffixLength = sizeof kMarkerSuffix - 1;

bool EndsWithMarkerSuffix(const char* name, std::size_t length)
{
    return length >= kMarkerSuffixLength &&
           EqualsIgnoringCase(name + length - kMarkerSuffixLength, kMarkerSuffixLength, kMarkerSuffix);
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
    // Windows strips a trailing dot or space from a name, so "x.uok " would
    // name a marker and "Staging.pending." the pending list.
    const char last = name[std::strlen(name) - 1];
    if (last == '.' || last == ' ')
        return false;
    return !IsDeviceName(name);
}

bool IsStagingName(const char* name)
{
    if (!name)
        return false;
    const char* folder = std::strrchr(kStagingDirectory, '\\') + 1;
    const std::size_t length = std::strlen(name);
    return EqualsIgnoringCase(name, length, folder) || EqualsIgnoringCase(name, length, kPendingListName) ||
           EndsWithMarkerSuffix(name, length);
}

bool IsMarkerName(const char* name)
{
    const std::size_t length = name ? std::strlen(name) : 0;
    return length > kMarkerSuffixLength && EndsWithMarkerSuffix(name, length);
}

} // namespace Update
