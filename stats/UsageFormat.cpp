#include "stats/UsageFormat.h"

#include <cstdio>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

int32_t ParseSecondsText(const char* text)
{
    if (!text)
        return 0;
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    // Accumulated in 64 bits and held at the 32-bit ends: the server's text
    // is untrusted and a long digit run must not overflow.
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > limit)
            value = limit;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

void FormatUsageTime(const char* seconds, char* out, size_t outSize)
{
    if (!out || outSize == 0)
        return;
    const int32_t n = ParseSecondsText(seconds);
    // C++ division truncates toward zero and the remainder takes the
    // dividend's sign, which is what negative counts must show.
    const int hours = n / 3600;
    const int minutes = (n / 60) % 60;
    if (minutes == 1 && hours == 1)
        snprintf(out, outSize, "1 hr 1 min");
    else if (minutes == 1)
        snprintf(out, outSize, "%i hrs 1 min", hours);
    else if (hours == 1)
        snprintf(out, outSize, "1 hr %i mins", minutes);
    else
        snprintf(out, outSize, "%i hrs %i mins", hours, minutes);
}

CounterFields FormatOnlineCounter(uint32_t elapsedSeconds)
{
    CounterFields fields;
    snprintf(fields.seconds, sizeof fields.seconds, "%2.2i", static_cast<int>(elapsedSeconds % 60));
    snprintf(fields.minutes, sizeof fields.minutes, "%2.2i", static_cast<int>((elapsedSeconds / 60) % 60));
    snprintf(fields.hours, sizeof fields.hours, "%lu", static_cast<unsigned long>(elapsedSeconds / 3600));
    return fields;
}
