#pragma once
// The version resource of a program file, to keep a staged file of an older
// release from being installed over a newer one (a newer package installed
// over a folder that still holds an older release's staged files).
#include <cstdint>

namespace switcher {

// The fixed file version, major to build in falling significance; false when
// the file has no version resource.
bool FileVersionOf(const wchar_t* path, std::uint64_t* version);

// True when both files carry versions and staged's is the lower.
bool IsOlderThanTarget(const wchar_t* staged, const wchar_t* target);

} // namespace switcher
