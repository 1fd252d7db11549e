#pragma once
// Before the backups of a set go, the programs it brought in are started in
// their check mode where they will run, beside the new libraries: a release
// whose dialler cannot start could never fetch its own fix.
#include <windows.h>

namespace switcher {

// Bound on one program's check. A check loads the program and its libraries
// and ends; at log-off Windows gives the whole run about 5 s.
const DWORD kStartupCheckMs = 4000;

// Whether a file of this name is a program that has a check mode.
bool HasStartupCheck(const wchar_t* name);

// Runs "<path> --startup-check" in directory; true when it ends with 0
// within waitMs. A crash, a time-out (the program is ended) or a program that
// cannot be started fails.
bool RunStartupCheck(const wchar_t* path, const wchar_t* directory, DWORD waitMs);

// What the install uses to check one target; a test puts in its own.
typedef bool (*StartupCheck)(const wchar_t* path, const wchar_t* directory);
void SetStartupCheckForTest(StartupCheck check);
bool CheckStartup(const wchar_t* path, const wchar_t* directory);

} // namespace switcher
