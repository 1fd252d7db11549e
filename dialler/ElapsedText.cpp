#include "dialler/ElapsedText.h"

#include <stdio.h>

void FormatElapsed(uint32_t seconds, char* out, size_t outSize)
{
    if (outSize == 0)
        return;
    unsigned long hours = seconds / 3600;
    unsigned long minutes = (seconds % 3600) / 60;
    unsigned long rest = seconds % 60;
    snprintf(out, outSize, "%02lu:%02lu:%02lu", hours, minutes, rest);
}
