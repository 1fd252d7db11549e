#pragma once
// Manifest file names become local paths; only a bare file name may.

namespace Update {

// False for the empty name, "." and "..", a name holding a path separator,
// a drive colon, a wildcard or a control character, a name ending in a dot
// or a space (Windows strips those, so it would name another file), and for
// the names the
// system reserves for devices (CON, PRN, AUX, NUL, COM0-9, LPT0-9 and COM or
// LPT with a superscript digit), with or without an extension. Such a name
// could write outside the installation directory or into a device.
bool IsBareFileName(const char* name);

// True for the staging folder's name, the pending-set list's name and for
// marker names (any case): a file staged under them would have the switcher
// put it over the folder, block or unblock installing, or install a marker
// as a target.
bool IsStagingName(const char* name);

// True for a name ending in ".uok" (any case) with something before it.
bool IsMarkerName(const char* name);

} // namespace Update
