#pragma once
// Manifest file names become local paths; only a bare file name may.

namespace Update {

// False for the empty name, "." and "..", a name holding a path separator,
// a drive colon, a wildcard or a control character, and for the names the
// system reserves for devices (CON, PRN, AUX, NUL, COM1-9, LPT1-9), with or
// without an extension. Such a name could write outside the installation
// directory or into a device.
bool IsBareFileName(const char* name);

} // namespace Update
