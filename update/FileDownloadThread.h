#pragma once
// The download thread: brings the system's own files up to date in the
// background. Paths are relative to the current directory, which must be the
// installation directory:
//   .\Update\<name>.<version>   partial or complete download (resumed)
//   .\Update\<name>            the complete download under its plain name
//   .\<name>.uok               the marker, swapped in by switcher.exe
#include "update/PraxelApi.h"

#if defined(_WIN32)
#define PRAXEL_THREADCALL __stdcall
#else
#define PRAXEL_THREADCALL
#endif

namespace Update {

// Thread procedure for StartThreadedFunc. argument: an Update::EntityStack
// filled by GetFileAndParse; the thread alone uses it from the hand-over on
// and leaves it empty, but does not delete it. For every file whose offered
// version is newer than its record it downloads, stages, renames to the
// marker and, only once the marker is in place, records the version. File
// names that are not bare file names are skipped. In a library built with the
// provider's update key, a file without a SHA-256 is skipped too, and a
// download whose bytes do not match it is deleted and not staged. No failure
// is reported; the result is always 0.
PRAXEL_API unsigned long PRAXEL_THREADCALL FileDownloadThread(void* argument);

} // namespace Update
