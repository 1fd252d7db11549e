#pragma once
// One GET as the library makes it: its own Internet handle (agent "Tovrin",
// direct connection), no caching, no automatic authentication.
#include "InternetHandle.h"

namespace utils {

class HttpRequest {
public:
    // Sends the request; extraHeaders may be null. Valid() tells whether the
    // response headers arrived (an HTTP error status still counts).
    HttpRequest(const char* url, const char* extraHeaders);

    bool Valid() const { return request.Valid(); }
    // The response status, 0 when it cannot be read.
    DWORD Status() const;
    // The first byte position of a 206 answer's Content-Range, or -1.
    long long RangeStart() const;
    // Reads up to size bytes; false on a read error. count 0 means the end.
    bool Read(void* buffer, DWORD size, DWORD* count) const;

private:
    InternetHandle session;
    InternetHandle request;
};

inline bool IsSuccessStatus(DWORD status)
{
    return status >= 200 && status < 300;
}

} // namespace utils
