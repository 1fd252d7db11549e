// Splitting of "name = value" lines. Portable: also built natively for tests.
#include <cstring>

#include "Utils.h"

namespace {

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

char* GetLine(char* text, char* name, int nameSize, char* value, int valueSize)
{
    if (name && nameSize > 0)
        name[0] = '\0';
    if (value && valueSize > 0)
        value[0] = '\0';
    if (!text)
        return nullptr;

    char* lineEnd = text;
    while (*lineEnd && !IsLineEnd(*lineEnd))
        ++lineEnd;
    // A last line without a line end is never taken apart.
    if (!*lineEnd)
        return nullptr;
    char* next = lineEnd;
    while (IsLineEnd(*next))
        *next++ = '\0';

    char* equals = std::strchr(text, '=');
    if (!equals)
        return next;
    *equals = '\0';

    char* lineName = text;
    while (*lineName == ' ')
        ++lineName;
    char* lineValue = equals + 1;
    while (*lineValue == ' ')
        ++lineValue;
    if (char* space = std::strchr(lineName, ' '))
        *space = '\0';

    const size_t nameLength = std::strlen(lineName);
    const size_t valueLength = std::strlen(lineValue);
    if (name && value && nameLength >= 1 && valueLength >= 1 && nameSize > 0 && valueSize > 0 &&
        nameLength < static_cast<size_t>(nameSize) && valueLength < static_cast<size_t>(valueSize)) {
        std::memcpy(name, lineName, nameLength + 1);
        std::memcpy(value, lineValue, valueLength + 1);
    }
    return next;
}
