#include "dialler/StatusTexts.h"

namespace {

// The service's connection-state numbers.
enum : uint32_t {
    kConnectDevice = 2,
    kChangePassword = 9,
    kPasswordExpired = 4099,
    kConnected = 8192,
    kDisconnected = 8193,
};

} // namespace

const char* StatusTextForState(uint32_t state)
{
    switch (state) {
    case 0:
    case 1:
    case 22:
        return "Dialing remote server";
    case 3:
    case 4:
        return "Connected to remote server";
    case 5:
    case 6:
    case 7:
    case 8:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 19:
    case 4097:
        return "Connecting at remote server";
    case kChangePassword:
        return "You must change password";
    case kPasswordExpired:
        return "Password expired";
    case 15:
    case 16:
    case 17:
    case 20:
        return "Processing modem callback";
    case 21:
    case kConnected:
        return "Logging on network";
    case 23:
    case kDisconnected:
        return "Disconnected from remote server";
    case kConnectDevice:
        return nullptr;
    default:
        return "";
    }
}

bool IsStoppingError(uint32_t error)
{
    for (uint32_t code : STOPPING_ERRORS) {
        if (code == error)
            return true;
    }
    return false;
}
