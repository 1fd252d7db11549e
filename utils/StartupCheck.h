#pragma once
// The start-up check: a program started with the one argument
// "--startup-check" loads what it needs to run and ends with 0 when all of
// it is there, non-zero otherwise. It shows no window, dials nothing, writes
// no setting and starts nothing. switcher.exe runs it on newly installed
// programs, beside their new libraries, before it lets the old files go.
// Header-only: every program has one, and switcher.exe links no library of
// ours.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace startupcheck {

const int kPassed = 0;
const int kMissingResource = 2;

// The libraries a program imports are loaded before its entry runs: a
// missing one ends the process before it could answer, which fails the
// check just the same.
inline bool Requested()
{
    return __argc == 2 && __argv && __argv[1] && std::strcmp(__argv[1], "--startup-check") == 0;
}

// Present and readable, not merely listed in the directory.
inline bool HasResource(HINSTANCE module, LPCSTR type, WORD id)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    return loaded && LockResource(loaded) && SizeofResource(module, found) > 0;
}

} // namespace startupcheck
