#pragma once
// The handles of one request and the call that opens and sends it.
#include "InternetHandle.h"
#include "TransferLimits.h"

namespace utils {

// Closed request first.
struct RequestHandles {
    InternetHandle session;
    InternetHandle connection;
    InternetHandle request;
};

// Opens the handles (agent "Tovrin", direct connection, no caching, no
// automatic authentication, the time-outs of limits) and sends a GET for url;
// extraHeaders may be null. Blocks until the response headers have arrived.
// True then, also for an HTTP error status.
bool SendRequest(const char* url, const char* extraHeaders, const TransferLimits& limits, RequestHandles* handles);

} // namespace utils
