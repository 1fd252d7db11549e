#pragma once
// The blocking calls of one request run on a thread of the request's own, so
// that its caller waits no longer than its deadline, whatever the server
// does. Closing a handle does not end a call in progress under Wine, so a
// server that sends its header lines one by one, slowly, or a chain of
// redirects, would otherwise hold the caller for as long as it likes. The
// same thread closes the handles in the end (see AbandonedRequest.h).
#include "RequestHandles.h"

namespace utils {

struct WorkerState;

class RequestWorker {
public:
    RequestWorker() = default;
    // Hands the handles to the thread to close. The caller waits a moment for
    // a thread that is free, never for one still in a call past its deadline.
    ~RequestWorker();
    RequestWorker(const RequestWorker&) = delete;
    RequestWorker& operator=(const RequestWorker&) = delete;

    // Starts the thread and sends the request on it. False when no thread
    // can be started, the request fails, or the deadline passes first
    // (waiting for earlier closes counts towards it).
    bool Send(const char* url, const char* extraHeaders, const TransferLimits& limits, const Deadline& deadline);
    // Reads what has arrived, at most size bytes, waiting for the first of
    // them at most until the deadline. count 0: the end of the body. False on
    // a read error, or once the deadline has passed.
    bool Read(void* buffer, DWORD size, DWORD* count, const Deadline& deadline);
    // For header queries once Send succeeded; the thread is idle then.
    HINTERNET Request() const;

private:
    WorkerState* state = nullptr;
    void* thread = nullptr;
};

} // namespace utils
