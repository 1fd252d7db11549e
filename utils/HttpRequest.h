#pragma once
// One GET as the library makes it: its own Internet handle (agent "Tovrin",
// direct connection), no caching, no automatic authentication, the time-outs
// of TransferLimits, and one deadline from the first byte sent to the last
// byte read.
#include "RequestWorker.h"
#include "TransferLimits.h"

namespace utils {

class HttpRequest {
public:
    // Sends the request; extraHeaders may be null. Valid() tells whether the
    // response headers arrived before the deadline (an HTTP error status
    // still counts).
    HttpRequest(const char* url, const char* extraHeaders, const TransferLimits& limits, const Deadline& deadline);
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    bool Valid() const { return sent; }
    // The response status, 0 when it cannot be read.
    DWORD Status() const;
    // The first byte position of a 206 answer's Content-Range, or -1.
    long long RangeStart() const;
    // The Content-Length the server announced, in 64 bits; false when there
    // is none. A length too large for 64 bits comes back as the largest.
    bool AnnouncedLength(unsigned long long* length) const;
    // Reads up to size bytes of what has arrived, waiting for the first of
    // them no longer than the deadline and the receive time-out; false on a
    // read error or once the deadline has passed. count 0 means the end of
    // the body.
    bool Read(void* buffer, DWORD size, DWORD* count);

private:
    // Declared first, so that it is closed last.
    RequestWorker worker;
    Deadline deadline;
    bool sent;
};

inline bool IsSuccessStatus(DWORD status)
{
    return status >= 200 && status < 300;
}

} // namespace utils
