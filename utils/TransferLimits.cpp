#include "TransferLimits.h"

namespace utils {

namespace {

// A floor of 1 KB/s is a fifth of what a 56k modem moves, so only a server
// that trickles (or a line that is all but dead) runs into it; a download
// cut off this way keeps its partial file and resumes at the next connection.
TransferLimits limitsInForce = {
    30000,  // connect
    30000,  // receive gap
    60000,  // whole GetHTTPFile
    60000,  // DownloadFile, fixed part
    1024,   // DownloadFile, floor rate
};
SRWLOCK limitsLock = SRWLOCK_INIT;

} // namespace

TransferLimits CurrentTransferLimits()
{
    AcquireSRWLockShared(&limitsLock);
    const TransferLimits copy = limitsInForce;
    ReleaseSRWLockShared(&limitsLock);
    return copy;
}

void SetTransferLimits(const TransferLimits& limits)
{
    AcquireSRWLockExclusive(&limitsLock);
    limitsInForce = limits;
    ReleaseSRWLockExclusive(&limitsLock);
}

ULONGLONG DownloadDeadlineMs(const TransferLimits& limits, unsigned long long fileSize)
{
    const unsigned long long rate = limits.downloadFloorBytesPerSecond ? limits.downloadFloorBytesPerSecond : 1;
    // Sizes are below 2^32, so the product cannot overflow 64 bits.
    return limits.downloadBaseMs + fileSize * 1000 / rate;
}

} // namespace utils
