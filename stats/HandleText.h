#pragma once
// Reading the dialler's window handle from the decimal text the dialler puts
// on Tallyview's command line. Portable, so it is tested natively.
#include <cstdint>

// The last blank-separated word of commandLine as an unsigned decimal number.
// False (and *value 0) when that word is missing, holds anything but digits,
// or does not fit 64 bits.
bool ParseHandleText(const char* commandLine, uint64_t* value);
