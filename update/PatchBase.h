#pragma once
// Which installed version a patch may start from.
#include "update/VersionHandler.h"

namespace Update {

// True when .\<name> should be the version from. The record says so, unless
// a marker waits for the file: the record then describes the marker, a
// release staged and not yet installed, and only the installed file's own
// version resource can tell. Without a record (the installer writes none)
// the version resource tells too. A wrong guess costs only the patch: its
// result fails the digest and the gzip form follows.
bool PatchBaseMatches(const char* name, const VersionHandler& from);

} // namespace Update
