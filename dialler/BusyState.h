#pragma once
// The dialog's busy protocol, in one place. While busy (a hang-up, a wait for
// the dial thread, an error box or the shutdown is in progress) the dialog's
// waits pump its messages, so input arrives that must not start or stop
// anything: it is ignored, and a close is remembered and carried out once the
// last busy stretch has ended. User-interface thread only.

// The one way in. Stretches nest: a hang-up of a stale connection can run
// inside the wait of a Disconnect.
void BeginBusy();
// The one way out. Ending the outermost stretch posts a close remembered
// meanwhile.
void EndBusy();

// Busy or closing: Connect, Disconnect, Settings, About, the tray's menu and
// the statistics window's request are ignored.
bool IgnoringInput();

// The close command asks this first: true when the shutdown may run now and
// is marked as running; false when one already runs, or when busy (the close
// is then remembered).
bool BeginClosing();

// The end of the session and an outside close do not wait for anything:
// marks the shutdown as running whatever is in progress.
void MarkClosing();
