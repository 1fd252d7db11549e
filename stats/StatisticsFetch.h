#pragma once
// Fetching the user's usage figures from the provider's server and showing
// them on the statistics window.
#include <windows.h>

#include <cstdint>

#include "utils/Utils.h"

// The parameter block of one fetch. Written only by the window's thread,
// before the fetch thread starts; the fetch thread only reads it.
struct FetchRequest {
    const char* statisticsAddress; // the process-wide address buffer
    const char* userName;          // the window's user-name buffer
    HWND window;                   // receives the texts and WM_STATS_FETCH_DONE
    WPARAM fetchId;                // sent back with WM_STATS_FETCH_DONE
};

// The stored update page and interval, read again before every fetch.
struct FetchSettings {
    char statisticsAddress[UTILS_SETTING_BUFFER];
    uint32_t intervalSeconds; // 0: no further fetch after the first
};
// Process-wide: the request points into it, so it outlives every fetch.
FetchSettings& ProcessFetchSettings();
// Refreshes ProcessFetchSettings() from the settings store. An interval that
// is not stored keeps its last value.
void ReadFetchSettings();

// The fetch timer's period for an interval in seconds, held at the largest
// period a timer takes so a huge interval cannot wrap into a tiny one.
UINT FetchPeriodMilliseconds(uint32_t intervalSeconds);

// One fetch: GetFileAndParse with "userstat", then each property applied to
// the window, most recently pushed first. May show the provider's message box
// and wait for it. Posts WM_STATS_FETCH_DONE with the request's fetchId at the
// end. Returns 0.
unsigned long __stdcall FetchStatisticsThread(void* request);
