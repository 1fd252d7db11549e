#pragma once
// Closing a request whose body was not read to its end. WinINet first reads
// the rest of a body of announced length for as long as it keeps arriving,
// which on a fast line can take minutes for a huge body, and no option stops
// it. So the close runs on a thread of its own that owns the handles from
// then on; the caller waits only a short, bounded time for it. Its place in
// the threading model: dialler/THREADING.md.
#include "HttpRequest.h"

namespace utils {

// Takes ownership of handles (never null). Falls back to closing them here
// when no thread can be started.
void CloseAbandonedRequest(RequestHandles* handles);

} // namespace utils
