#pragma once
// How long a transfer may take. The figures are sized for a 56k modem, which
// moves about 5 KB/s at best and falls silent for several seconds when it
// retrains, so that a server that stalls or trickles cannot hold a refresh,
// a statistics fetch or a download for the whole session.
#include <windows.h>

namespace utils {

struct TransferLimits {
    // Reaching the server; a modem line takes seconds for a TCP handshake
    // when SYNs are lost and retried.
    DWORD connectTimeoutMs;
    // The longest silence within an answer, and for sending the request.
    // Several retrain gaps in a row stay well under it.
    DWORD receiveTimeoutMs;
    // A whole GetHTTPFile: its answers are at most 2 KB, under a second of
    // modem time, so this leaves room for a slow server and a busy line.
    DWORD textDeadlineMs;
    // A whole DownloadFile: a fixed part for connecting and the server's
    // first answer, plus the bytes still to come at the floor rate.
    DWORD downloadBaseMs;
    DWORD downloadFloorBytesPerSecond;
};

// The bounds in force; safe to call from any thread.
TransferLimits CurrentTransferLimits();
// Replaces them. Only tests of the static build call it (it is not exported
// from Utils.dll) to keep their slow-server cases short.
void SetTransferLimits(const TransferLimits& limits);

// The milliseconds DownloadFile may take for a file of fileSize bytes.
ULONGLONG DownloadDeadlineMs(const TransferLimits& limits, unsigned long long fileSize);

// A point in time a transfer must not run past.
class Deadline {
public:
    explicit Deadline(ULONGLONG durationMs) : end(GetTickCount64() + durationMs) {}
    bool Passed() const { return GetTickCount64() >= end; }
    // 0 once passed; at most INFINITE - 1, so a wait on it always ends.
    DWORD RemainingMs() const
    {
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return 0;
        const ULONGLONG left = end - now;
        return left < INFINITE ? static_cast<DWORD>(left) : INFINITE - 1;
    }

private:
    ULONGLONG end;
};

} // namespace utils
