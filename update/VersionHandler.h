#pragma once
#include <cstdint>

#include "PraxelApi.h"

// A three-part version number (major.minor.revision) with its text form
// "%i.%i.%i" kept in step by every public operation.
class PRAXEL_API VersionHandler {
public:
    VersionHandler();
    VersionHandler(const VersionHandler& other);
    VersionHandler& operator=(const VersionHandler& other);

    void Set(uint16_t major, uint16_t minor, uint16_t revision);

    // Parses like strtok + atoi: pieces split at '.', empty pieces skipped,
    // missing or non-numeric pieces read as 0, values wrap to 16 bits. Only
    // the first 62 bytes of the text are looked at.
    static VersionHandler AsVersionHandler(const char* text);

    // True only when all three numbers are non-zero.
    bool IsValid() const;

    int operator<(const VersionHandler& other) const;
    int operator==(const VersionHandler& other) const;
    int operator<=(const VersionHandler& other) const;

    // The text form, owned by this object. Five-digit numbers can make it
    // longer than 15 characters; it is then cut at 15, the numbers are kept.
    const char* ToString() const;

    uint16_t Major() const { return major; }
    uint16_t Minor() const { return minor; }
    uint16_t Revision() const { return revision; }

private:
    void SetMajor(uint16_t value);
    void SetMinor(uint16_t value);
    void SetRevision(uint16_t value);
    void _ToString();
    // One strtok-style step: the first call passes the text, later calls
    // null to continue it. The position is kept per thread.
    static uint16_t NextValue(char* text);

    uint16_t major;
    uint16_t minor;
    uint16_t revision;
    char text[16];
};
