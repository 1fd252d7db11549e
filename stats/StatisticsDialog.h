#pragma once
// The statistics window: a modeless dialog on template IDD_STATISTICS that
// slides into the bottom right corner, counts the time online, fetches the
// usage figures and offers Disconnect.
#include <windows.h>

#include <ctime>

#include "stats/StatisticsFetch.h"
#include "stats/WebBrowser.h"
#include "utils/ScopedHandle.h"
#include "utils/Utils.h"

class StatisticsDialog {
public:
    explicit StatisticsDialog(HWND diallerWindow);
    StatisticsDialog(const StatisticsDialog&) = delete;
    StatisticsDialog& operator=(const StatisticsDialog&) = delete;

    // Creates the (still hidden) window; null on failure.
    HWND Create(HINSTANCE instance);
    HWND Window() const { return window; }

    // True while a fetch thread started by this window has not ended.
    bool FetchRunning() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog();
    // False for timer ids that are not ours (default handling).
    bool OnTimer(UINT_PTR id);
    void OnSlideIn();
    void OnOnlineCounter();
    void OnFetchStats();
    void OnDisconnect();
    void OnFetchDone(WPARAM fetchId);
    void OnDestroy();

    HWND window = nullptr;
    CWebBrowser m_browser;
    RECT workArea = {};
    time_t startTime = 0;
    HWND diallerWindow;
    char userName[UTILS_SETTING_BUFFER] = "";
    FetchRequest fetchRequest = {};
    WPARAM fetchCount = 0;
    KernelHandle fetchThread;
};
