#include <string.h>
#include <strings.h>

#include "dialler/AccessNumbers.h"

bool IsDiallableDeviceType(const char* deviceType)
{
    // ISDN adapters report either spelling depending on the driver.
    static const char* const kAccepted[] = {"modem", "isdn", "rasdt_isdn"};
    for (const char* accepted : kAccepted) {
        if (strcasecmp(deviceType, accepted) == 0)
            return true;
    }
    return false;
}
