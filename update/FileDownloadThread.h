#pragma once
// The download thread: brings the system's own files up to date in the
// background (who starts it and what waits for it: dialler/THREADING.md). Paths are relative to the current directory, which must be the
// installation directory:
//   .\Update\<name>.<version>   partial or complete download (resumed)
//   .\Update\<name>            the complete download under its plain name
//   .\<name>.uok               the marker, swapped in by switcher.exe
//   .\Update\Staging.pending   markers of a set being renamed into place
#include "update/PraxelApi.h"

#if defined(_WIN32)
#define PRAXEL_THREADCALL __stdcall
#else
#define PRAXEL_THREADCALL
#endif

namespace Update {

// Thread procedure for StartThreadedFunc. argument: an Update::EntityStack
// filled by GetFileAndParse; the thread alone uses it from the hand-over on
// and leaves it empty, but does not delete it. The files of one entity whose
// offered version is newer than what is installed (NeedUpdate) are one
// release: each is downloaded (resuming what an earlier run left) and
// checked, and only once all are complete are they renamed to their markers,
// under .\Update\Staging.pending and switcher.exe's run lock, and their
// versions recorded. A marker of an earlier release with the same name is
// replaced only when the whole set is placed. A lock not had within 5 s
// leaves the complete downloads for the next run, as does a set that cannot
// be placed whole. Otherwise nothing of the entity is staged or recorded,
// and the complete downloads wait in .\Update for the next run. An entity holding a file name that is
// not a bare file name, or is a staging name, or a version too long for its
// record, is skipped whole. In a library built with the provider's update
// key, so is an entity with a file without a SHA-256, and a download whose
// bytes do not match it is deleted. A list left by a run that was cut off is
// taken back first: the markers it names are deleted and earlier ones it
// had set aside put back. Then downloads of versions the answer no longer
// offers are removed from .\Update. No failure is reported; the result is
// always 0.
PRAXEL_API unsigned long PRAXEL_THREADCALL FileDownloadThread(void* argument);

} // namespace Update
