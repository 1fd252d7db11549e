#pragma once
// Window messages and timers of the statistics window. The numbers are
// shared with the dialler and must not change.

// Tallyview to the dialler's main dialog, posted: the user pressed Disconnect.
#define WM_STATS_DISCONNECT 1203
// Fetch thread to the statistics window, posted: a fetch has ended.
#define WM_STATS_FETCH_DONE 1481

#define IDT_ONLINE_COUNTER 1
#define IDT_SLIDE_IN 2
#define IDT_FETCH_STATS 3
