#include "VersionHandler.h"
#include "WrappingDecimal.h"

#include <cstdio>
#include <cstring>

namespace {

// Manifests are parsed on the caller's thread while the download thread checks
// versions, so the strtok position must not be shared between threads.
thread_local char* tokenPosition = nullptr;

char* NextPiece(char* text)
{
    char* p = text ? text : tokenPosition;
    if (!p)
        return nullptr;
    while (*p == '.')
        ++p;
    if (!*p) {
        tokenPosition = nullptr;
        return nullptr;
    }
    char* start = p;
    while (*p && *p != '.')
        ++p;
    if (*p) {
        *p = '\0';
        tokenPosition = p + 1;
    } else {
        tokenPosition = nullptr;
    }
    return start;
}

} // namespace

VersionHandler::VersionHandler() : major(0), minor(0), revision(0)
{
    _ToString();
}

VersionHandler::VersionHandler(const VersionHandler& other)
    : major(other.major), minor(other.minor), revision(other.revision)
{
    _ToString();
}

VersionHandler& VersionHandler::operator=(const VersionHandler& other)
{
    major = other.major;
    minor = other.minor;
    revision = other.revision;
    _ToString();
    return *this;
}

void VersionHandler::Set(uint16_t newMajor, uint16_t newMinor, uint16_t newRevision)
{
    SetMajor(newMajor);
    SetMinor(newMinor);
    SetRevision(newRevision);
    _ToString();
}

VersionHandler VersionHandler::AsVersionHandler(const char* source)
{
    // The parse works on a copy with one '.' appended, in a 64-byte buffer.
    char copy[64];
    size_t length = 0;
    if (source) {
        while (length < 62 && source[length])
            ++length;
        std::memcpy(copy, source, length);
    }
    copy[length] = '.';
    copy[length + 1] = '\0';

    VersionHandler result;
    result.SetMajor(NextValue(copy));
    result.SetMinor(NextValue(nullptr));
    result.SetRevision(NextValue(nullptr));
    result._ToString();
    return result;
}

bool VersionHandler::IsValid() const
{
    return major != 0 && minor != 0 && revision != 0;
}

int VersionHandler::operator<(const VersionHandler& other) const
{
    if (major != other.major)
        return major < other.major;
    if (minor != other.minor)
        return minor < other.minor;
    return revision < other.revision;
}

int VersionHandler::operator==(const VersionHandler& other) const
{
    return major == other.major && minor == other.minor && revision == other.revision;
}

int VersionHandler::operator<=(const VersionHandler& other) const
{
    return (*this == other) || (*this < other);
}

const char* VersionHandler::ToString() const
{
    return text;
}

void VersionHandler::SetMajor(uint16_t value)
{
    major = value;
}

void VersionHandler::SetMinor(uint16_t value)
{
    minor = value;
}

void VersionHandler::SetRevision(uint16_t value)
{
    revision = value;
}

void VersionHandler::_ToString()
{
    // The text keeps its fixed 16 bytes, which hold any version up to
    // 9999.9999.9999; longer ones are cut at 15 characters on purpose (the
    // numbers themselves stay whole). Reading the length says so to the
    // compiler, which otherwise warns of the cut.
    const int length = std::snprintf(text, sizeof text, "%i.%i.%i", static_cast<int>(major),
                                     static_cast<int>(minor), static_cast<int>(revision));
    if (length >= static_cast<int>(sizeof text))
        text[sizeof text - 1] = '\0';
}

uint16_t VersionHandler::NextValue(char* source)
{
    const char* piece = NextPiece(source);
    return piece ? WrappingDecimal<uint16_t>(piece) : 0;
}
