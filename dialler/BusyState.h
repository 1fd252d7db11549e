#pragma once
// The dialog's busy protocol, in one place. While busy (a hang-up, a wait for
// the dial thread, an error box or the shutdown is in progress) the dialog's
// waits pump its messages, so input arrives that must not start or stop
// anything: it is ignored, and a close is remembered and carried out once the
// last busy stretch has ended. User-interface thread only; see THREADING.md.

// The record behind the protocol, a field of DiallerContext. Its members are
// private: only the functions below change them.
class BusyRecord {
    int depth;            // nested busy stretches in progress
    bool closeRequested;  // a close that came while busy
    bool closing;         // set once, by the shutdown

    friend void BeginBusy();
    friend void EndBusy();
    friend bool IgnoringInput();
    friend bool IsClosing();
    friend bool BeginClosing();
    friend void MarkClosing();
};

// Prefer BusyScope. Stretches nest: a hang-up of a stale connection can run
// inside the wait of a Disconnect.
void BeginBusy();
// Ending the outermost stretch posts a close remembered meanwhile.
void EndBusy();

// One busy stretch for the life of the object, ended on every path out.
class BusyScope {
public:
    BusyScope() { BeginBusy(); }
    ~BusyScope() { EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// Busy or closing: Connect, Disconnect, Settings, About, the tray's menu and
// the statistics window's request are ignored.
bool IgnoringInput();

// The shutdown has begun. Code that runs after a nested loop (a box, a
// dialog, a menu, a pumped wait) returns asks this before it acts.
bool IsClosing();

// The close command asks this first: true when the shutdown may run now and
// is marked as running; false when one already runs, or when busy (the close
// is then remembered).
bool BeginClosing();

// The end of the session and an outside close do not wait for anything:
// marks the shutdown as running whatever is in progress.
void MarkClosing();
