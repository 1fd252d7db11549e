#pragma once
// Closing a request whose body was not read to its end. WinINet first reads
// the rest of a body of announced length for as long as it keeps arriving,
// which on a fast line can take minutes for a huge body, and no option stops
// it. So the close runs on the request's own thread (RequestWorker.h), after
// its time-outs are shortened, and a new request waits until no close is
// left: the statistics fetch repeats at every interval, and closes that pile
// up would hold a thread and a socket each. Its place in the threading
// model: dialler/THREADING.md.
#include "RequestHandles.h"

namespace utils {

// A request's thread was started; it holds at most one socket.
void RequestThreadStarted();
// Counts a close handed to a request's thread. CloseFinished, called by that
// thread once the handles are closed, ends it and the thread's count.
void CloseStarted();
void CloseFinished();

// The request threads still holding handles. The tests read it.
unsigned int RequestThreadsAlive();

// Waits until no counted close is left; false when the deadline passed first.
bool WaitForCloses(const Deadline& deadline);

// Shortens the time-outs, so that a stalled server cannot hold the close,
// then closes the handles.
void CloseRequestHandles(RequestHandles& handles);

} // namespace utils
