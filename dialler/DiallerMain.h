#pragma once
// Program entry, the one-instance rule and the order of shutdown. Threads
// and nested loops: THREADING.md.
#include <windows.h>

// Returns the process exit code (always 0).
int DiallerMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);

// Registers MAIN_DIALOG_CLASS and runs the modal main dialog; returns 0 when
// the dialog has ended.
int RunMainDialog(HINSTANCE instance);

// Asks whether to hang up a dial-up connection that is already open.
void OfferToCloseOtherConnection();

// The main dialog's close command: hang up (asking first when connected),
// wait for the dial thread, end the dialog, stop Tallyview, start switcher.
void RunShutdownSequence();

// The end of the session, or a dialog ended from outside: the shutdown
// without any box, even while busy or while a close is already under way
// (the system ends the process once this returns, or sooner). Ends every
// nested box, dialog and menu; writes switcher's log-on entry and starts it
// first; then asks the service to hang up the dialler's own line and waits,
// at most 1.5 s in all, for the line, the dial thread and Tallyview.
void ShutDownQuietly();
