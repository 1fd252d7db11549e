#include "stats/HandleText.h"

#include <cstring>

bool ParseHandleText(const char* commandLine, uint64_t* value)
{
    *value = 0;
    if (!commandLine)
        return false;
    size_t end = strlen(commandLine);
    while (end > 0 && (commandLine[end - 1] == ' ' || commandLine[end - 1] == '\t'))
        --end;
    size_t start = end;
    while (start > 0 && commandLine[start - 1] != ' ' && commandLine[start - 1] != '\t')
        --start;
    if (start == end)
        return false;
    uint64_t number = 0;
    for (size_t i = start; i < end; ++i) {
        const char c = commandLine[i];
        if (c < '0' || c > '9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (number > (UINT64_MAX - digit) / 10)
            return false;
        number = number * 10 + digit;
    }
    *value = number;
    return true;
}
