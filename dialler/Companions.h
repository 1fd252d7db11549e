#pragma once
// The programs the dialler starts: Tallyview at every connection, switcher at
// every exit.
#include <windows.h>

// Stops the copy started at an earlier connection (as StopStatsWindow; its
// wait serves the dialog with input ignored), then, unless the program is
// closing by then, starts "Tallyview.dll" from the dialler's own directory, handing it the
// main dialog's window in the start-up information's standard-input field
// and as the decimal command line. Keeps the process in g_dialler.
bool StartStatsWindow();

// Asks the last Tallyview started to quit (quit message to its main thread),
// waits up to 2000 ms serving the main dialog, then terminates it. False
// when none was started. User-interface thread.
bool StopStatsWindow();
// The same with the wait bounded at limitMs.
bool StopStatsWindowWithin(DWORD limitMs);

// Writes the per-user RunOnce entry "TovrinSwitcher" (switcher with an empty
// argument), then starts "switcher.exe" from the dialler's own directory with
// the dialler's process id as its argument. Failures are not reported.
bool StartSwitcher();
// Only the log-on entry of StartSwitcher, for when the process may be ended
// before switcher has been started.
bool WriteSwitcherEntry();
