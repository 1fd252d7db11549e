#pragma once
// Dialling the access numbers in rotation and watching the connection.
// Threads, posts and locks: THREADING.md.
#include <windows.h>

#include "dialler/RasRecords.h"

// Longest the dialog's thread waits for a dial thread to end: the thread's
// own hang-up is bounded at about ten seconds.
constexpr DWORD kDialThreadStopMs = 15000;

// Writes the phonebook entry for deviceName and starts DialThread for run
// number run. Runs on the user-interface thread; false when the thread could
// not be started.
bool StartDial(const char* deviceName, const char* userName, const char* password, LONG run);

// One dialling run (its number is the parameter): holds the dial lock until
// it connects, stops or fails. Each attempt's handle is its own: it hangs up
// every attempt that does not connect, and hands a connected one to the
// dialog with WM_DIAL_CONNECTED. It never touches a window.
unsigned long WINAPI DialThread(void* parameter);

// Progress callback of the remote-access service (notifier type 1, which
// names the connection); runs on the service's own thread. Drops reports of
// attempts already given up; otherwise sets the run's signals and posts the
// progress under the run that dialled the attempt.
void WINAPI RasDialNotify(RasConnHandle connection, UINT message, RasConnState state, DWORD error,
                          DWORD extendedError);

// User-interface thread: takes g_dialler.connection (leaving 0), hangs it up
// and waits, pumping the main dialog's messages, until the service has let
// go of it (at most a bounded time). With no connection it only pauses.
void HangUpAndWait();

// User-interface thread: hangs up a connection handed over by a run that
// is no longer wanted; input is ignored meanwhile. Once the program is
// closing it only asks the service to hang up.
void HangUpHandedConnection(RasConnHandle connection);

// Worker threads: hangs up an attempt and waits, bounded, without pumping.
void HangUpAttempt(RasConnHandle attempt);

// User-interface thread, for the end of the session: takes
// g_dialler.connection (leaving 0) and asks the service to hang it up
// without waiting. Returns the handle, 0 when there was none.
RasConnHandle HangUpWithoutWaiting();
// User-interface thread: waits, pumping, at most limitMs until the service
// has let go of a hung-up handle. True when it has (or connection is 0).
bool WaitUntilReleased(RasConnHandle connection, DWORD limitMs);

// User-interface thread: waits for object, pumping the main dialog's
// messages, at most limitMs. True when it is signalled (or is 0).
bool WaitPumping(HANDLE object, DWORD limitMs);
// The same for the last dial thread started.
bool WaitForDialThread(DWORD limitMs);

// The first connected dial-up connection on the machine (any entry): stores
// its handle and copies its entry name (entryNameSize bytes). False, with the
// out values untouched, when none is connected.
bool FindConnectedConnection(RasConnHandle* handle, char* entryName, int entryNameSize);
// True only when the service listed its connections and each one's status
// says it is not connected (or the handle is no longer valid); a failed
// listing or status query gives false.
bool NoConnectionConnected();

// Back to Idle: stop the watch, hang up, wait for the dial thread, "Not
// connected", "&Connect". Ignored while busy or closing.
void ResetToDisconnected();

// Sets IDT_CONNECTION (1000 ms) on the main dialog and keeps its id; false
// when the system refused.
bool StartConnectionTimer();
// Kills IDT_CONNECTION if it runs. Every path that leaves Connected calls it.
void StopConnectionTimer();

// The connection watch, run on every IDT_CONNECTION tick. When no connection
// is connected any more it kills the timer, brings the dialog out of the
// tray and resets to Idle; returns true then.
bool WatchConnection();
