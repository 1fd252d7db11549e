#pragma once
// The dialler's single process-wide state record and the identifiers shared by
// all dialler source files. Every dialler file reads and writes g_dialler;
// there is no other state of the running program. Which thread may touch
// what: THREADING.md.
#include <windows.h>

#include <stdint.h>

#include "dialler/BusyState.h"
#include "dialler/NumberTable.h"
#include "dialler/RasRecords.h"
#include "dialler/StatusTexts.h"  // STOPPING_ERRORS
#include "dialler/res/resource.h"
#include "stats/StatsMessages.h"  // WM_STATS_DISCONNECT, posted by Tallyview

// Named mutex that keeps the dialler to one instance per session.
constexpr const char INSTANCE_MUTEX[] = "tovrin:Mutex:Instance";
// Window class of the main dialog; a second instance finds the first by it.
constexpr const char MAIN_DIALOG_CLASS[] = MAIN_DIALOG_CLASS_TEXT;
// The phonebook entry the dialler writes and dials.
constexpr const char PHONEBOOK_ENTRY_NAME[] = "Tovrin";

// Private window messages. Worker threads (the dial thread and the service's
// notifier) only post these; the main dialog's thread alone acts on them and
// alone changes the dialog, the tray icon and the connection state. Each
// carries the run it belongs to, so news from a run that has ended is
// dropped (a handed-over connection is hung up instead).
constexpr UINT WM_TRAY_CALLBACK = 32778;    // the tray icon's notifications
// The notifier reached a state. wParam: the state; lParam: the run.
constexpr UINT WM_DIAL_PROGRESS = WM_APP + 2;
// RasDial refused a number at once; the run goes on with the next one after
// a pause. wParam: the error; lParam: the run.
constexpr UINT WM_DIAL_REFUSED = WM_APP + 3;
// A stopping error ended the run; its attempt is already hung up.
// wParam: the error; lParam: the run.
constexpr UINT WM_DIAL_STOPPED_BY_ERROR = WM_APP + 4;
// The attempt is connected. wParam: the run; lParam: the connection handle,
// which from this message on belongs to the dialog's thread.
constexpr UINT WM_DIAL_CONNECTED = WM_APP + 5;

// The one-second connection timer on the main dialog.
#ifndef IDT_CONNECTION
#define IDT_CONNECTION 2
#endif
constexpr UINT CONNECTION_TIMER_PERIOD_MS = 1000;

// Parameter block of RefreshConfigThread. Each refresh gets its own copy of
// the address and user name, which it owns until it ends.
struct RefreshRequest {
    const char* updatePage;
    const char* userName;
};

class NotifyAreaIcon;

struct DiallerContext {
    HINSTANCE instance;
    HANDLE instanceMutex;  // owned until the process ends

    // Set by the main dialog's initialisation; 0 before.
    HWND mainDialog;
    HWND deviceList;
    HWND connectButton;
    HWND statusText;

    char userName[256];
    char password[256];
    char homePage[264];
    char updatePage[260];

    NumberTable freephoneNumbers;
    NumberTable localRateNumbers;
    int32_t freephoneIndex;  // 0 = no number used yet
    int32_t localRateIndex;
    bool useFreephone;       // chosen at Connect

    RasDialParamsOld dialParams;
    // Connected, and watched and hung up by the dialog's thread: our own
    // line, or another program's found at start-up (whose hang-up is only
    // offered, never done unasked). 0 = none. An attempt still being dialled
    // belongs to the dial thread and is never stored here.
    RasConnHandle connection;
    volatile LONG run;  // counts Connect presses; a run's messages carry it

    // The attempt the dial thread is dialling, and its run: the notifier
    // reports under this run. Attempts given up are listed in staleAttempts
    // before they are hung up, so a late report of one is dropped.
    volatile LONG attemptRun;
    RasConnHandle volatile staleAttempts[16];
    volatile LONG staleNext;  // next slot of staleAttempts to overwrite

    // Plain 32-bit flags. The three seen flags are each written before their
    // event is set and read after the wait on that event returns. dialling
    // goes with the stop event: whoever clears it sets that event. connected
    // has no event; only the dialog's thread writes it.
    volatile LONG dialling;   // 1 while the user wants a connection
    volatile LONG connected;  // 1 while our own connection is up
    volatile LONG errorSeen;
    volatile LONG disconnectedSeen;
    volatile LONG connectedSeen;
    volatile LONG stoppingError;  // a stopping error the notifier reported; 0 = none

    // Manual-reset, created unsignalled by the main dialog's initialisation.
    HANDLE stopEvent;
    HANDLE errorEvent;
    HANDLE disconnectedEvent;
    HANDLE connectedEvent;

    // Held by DialThread for its whole run. Never deleted: a dial thread the
    // exit stopped waiting for may still take it.
    CRITICAL_SECTION dialLock;
    HANDLE dialThread;  // the last DialThread started

    // The dialog's thread only; changed through BusyState.h alone.
    BusyRecord busy;

    // Set once switcher's log-on entry is written and switcher started: from
    // then on the process may be ended with nothing lost.
    bool switcherStarted;
    // The program's own folder could not be made the current directory:
    // staged files would land elsewhere, so no update is fetched.
    bool outsideOwnDirectory;

    DWORD connectStart;  // whole seconds of the tick count when connected
    DWORD elapsed;       // seconds connected; 0 until the first timer tick
    UINT_PTR timerId;    // returned when IDT_CONNECTION was set

    PROCESS_INFORMATION statsProcess;  // the running Tallyview; handles 0 when none
    volatile LONG refreshRunning;      // 1 while a configuration refresh runs

    // The program's single notification-area icon. The object itself is a
    // global of the tray source, which stores its address here during static
    // initialisation (the context is zero before any of that runs).
    NotifyAreaIcon* tray;
};

// Zero-initialised at load; lives for the whole process.
extern DiallerContext g_dialler;
