#pragma once
// Texts the statistics window shows: the provider's usage figures and the
// online-time counter. Portable, so the native build tests them under the
// sanitizers.
#include <cstddef>
#include <cstdint>

// Room for every text FormatUsageTime can produce, terminator included.
const size_t kUsageTimeBufferSize = 32;
// Room for one counter field: at most 7 digits of hours for a 32-bit count.
const size_t kCounterFieldSize = 16;

// Reads seconds like atoi (leading white space, optional sign, digits up to
// the first other character; 0 when there are none) and writes "H hrs M mins"
// with the singular forms for exactly 1. Leftover seconds are dropped.
// Values beyond the 32-bit range are held at its ends instead of overflowing.
// out is always terminated when outSize > 0; it is cut if too small.
void FormatUsageTime(const char* seconds, char* out, size_t outSize = kUsageTimeBufferSize);

// The atoi-style reading FormatUsageTime uses.
int32_t ParseSecondsText(const char* text);

// The online-time counter's three fields for an elapsed count of seconds:
// unpadded hours, then minutes and seconds as two zero-filled digits.
struct CounterFields {
    char hours[kCounterFieldSize];
    char minutes[kCounterFieldSize];
    char seconds[kCounterFieldSize];
};
CounterFields FormatOnlineCounter(uint32_t elapsedSeconds);
