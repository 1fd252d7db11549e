#pragma once
// Dialling the access numbers in rotation and watching the connection.
#include <windows.h>

#include "dialler/RasRecords.h"

// Writes the phonebook entry for deviceName and starts DialThread. Runs on
// the user-interface thread; always returns true.
bool StartDial(const char* deviceName, const char* userName, const char* password);

// One dialling run: holds the dial lock until it connects, stops or fails.
unsigned long WINAPI DialThread(void* parameter);

// Progress callback of the remote-access service (notifier type 0); runs on
// the service's own thread.
void WINAPI RasDialNotify(UINT message, RasConnState state, DWORD error);

// Hangs up g_dialler.connection and waits, pumping the main dialog's
// messages, until the service has let go of it (at most a bounded time).
void HangUpAndWait();

// The first connected dial-up connection on the machine (any entry): stores
// its handle and copies its entry name (entryNameSize bytes). False, with the
// out values untouched, when none is connected.
bool FindConnectedConnection(RasConnHandle* handle, char* entryName, int entryNameSize);
bool AnyConnectionConnected();

// Back to Idle: hang up, "Not connected", "&Connect".
void ResetToDisconnected();

// Sets IDT_CONNECTION (1000 ms) on the main dialog and keeps its id; false
// when the system refused. The dialog calls it on WM_START_CONNECTION_TIMER.
bool StartConnectionTimer();

// The connection watch, run on every IDT_CONNECTION tick. When no connection
// is connected any more it kills the timer, brings the dialog out of the
// tray and resets to Idle; returns true then.
bool WatchConnection();
