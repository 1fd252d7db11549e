#pragma once
// The connection time as the tray tooltip shows it. Portable: tested natively.
#include <stddef.h>
#include <stdint.h>

// Longest text FormatElapsed writes, terminator included ("1193046:28:15").
constexpr size_t kElapsedTextSize = 16;

// HH:MM:SS with two digits at least per field; hours are not limited to two
// digits. Writes at most outSize bytes, always terminated.
void FormatElapsed(uint32_t seconds, char* out, size_t outSize);
