#include "stats/StatisticsDialog.h"

#include <cstdio>

#include "stats/SlideStep.h"
#include "stats/StatsMessages.h"
#include "stats/UsageFormat.h"
#include "stats/res/resource.h"
#include "utils/Utils.h"

namespace {

const UINT kOnlineCounterPeriod = 1000;
const UINT kSlideInPeriod = 10;
const UINT kFirstFetchDelay = 10;
// How long Disconnect lets a running fetch finish before cutting it off.
const DWORD kFetchWaitOnDisconnect = 5000;

} // namespace

StatisticsDialog::StatisticsDialog(HWND diallerWindow) : diallerWindow(diallerWindow) {}

HWND StatisticsDialog::Create(HINSTANCE instance)
{
    // The window handle is stored by WM_INITDIALOG, before any handler runs.
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_STATISTICS), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

bool StatisticsDialog::FetchRunning() const
{
    return fetchThread && WaitForSingleObject(fetchThread.Get(), 0) == WAIT_TIMEOUT;
}

INT_PTR CALLBACK StatisticsDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    StatisticsDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<StatisticsDialog*>(lParam);
        self->window = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<StatisticsDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    return self ? self->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR StatisticsDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_TIMER:
        return OnTimer(wParam) ? TRUE : FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DISCONNECT:
            if (HIWORD(wParam) == BN_CLICKED)
                OnDisconnect();
            return TRUE;
        case IDOK:
        case IDCANCEL:
            // Enter and Escape must not close the window: only Disconnect
            // (or the dialler) ends the program.
            return TRUE;
        }
        return FALSE;
    case WM_STATS_FETCH_DONE:
        OnFetchDone(wParam);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    }
    return FALSE;
}

BOOL StatisticsDialog::OnInitDialog()
{
    // Binding the banner to control IDC_BANNER; the window works without it.
    m_browser.Create(window, IDC_BANNER);

    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // Start just below the work area, right edges aligned; the slide-in
    // brings it up.
    MoveWindow(window, workArea.right - width, workArea.bottom, width, height, FALSE);

    char bannerAddress[UTILS_SETTING_BUFFER] = "";
    GetAppSettings(userName, nullptr, nullptr, nullptr, nullptr, bannerAddress);
    startTime = time(nullptr);

    SetTimer(window, IDT_ONLINE_COUNTER, kOnlineCounterPeriod, nullptr);
    SetTimer(window, IDT_SLIDE_IN, kSlideInPeriod, nullptr);
    SetTimer(window, IDT_FETCH_STATS, kFirstFetchDelay, nullptr);

    if (bannerAddress[0] != '\0')
        m_browser.Navigate(bannerAddress);
    return TRUE;
}

bool StatisticsDialog::OnTimer(UINT_PTR id)
{
    switch (id) {
    case IDT_ONLINE_COUNTER:
        OnOnlineCounter();
        return true;
    case IDT_SLIDE_IN:
        OnSlideIn();
        return true;
    case IDT_FETCH_STATS:
        OnFetchStats();
        return true;
    }
    return false;
}

void StatisticsDialog::OnSlideIn()
{
    RECT frame;
    GetWindowRect(window, &frame);
    SlideStep step = NextSlideStep(frame.top, frame.bottom, workArea.bottom);
    MoveWindow(window, frame.left, step.top, frame.right - frame.left, frame.bottom - frame.top, TRUE);
    if (step.finished)
        KillTimer(window, IDT_SLIDE_IN);
}

void StatisticsDialog::OnOnlineCounter()
{
    const uint32_t elapsed = static_cast<uint32_t>(time(nullptr) - startTime);
    CounterFields fields = FormatOnlineCounter(elapsed);
    SetDlgItemTextA(window, IDC_ONLINE_SECONDS, fields.seconds);
    SetDlgItemTextA(window, IDC_ONLINE_MINUTES, fields.minutes);
    SetDlgItemTextA(window, IDC_ONLINE_HOURS, fields.hours);
}

void StatisticsDialog::OnFetchStats()
{
    KillTimer(window, IDT_FETCH_STATS);
    if (FetchRunning()) {
        // A slow server or an open message box: a second fetch would share
        // the update library's buffers and the remembered message with the
        // running one, so this tick's fetch is skipped. The request and the
        // address buffer are left alone too, since the running fetch reads
        // them; the schedule goes on with the interval last read.
    } else {
        ReadFetchSettings();
        fetchRequest.statisticsAddress = ProcessFetchSettings().statisticsAddress;
        fetchRequest.userName = userName;
        fetchRequest.window = window;
        // From 1 on, so no completion matches before the first fetch.
        fetchRequest.fetchId = ++fetchCount;
        HANDLE thread = StartThreadedFunc(FetchStatisticsThread, &fetchRequest);
        // A thread that cannot start changes nothing; the schedule goes on.
        if (thread)
            fetchThread.Reset(thread);
    }
    const uint32_t interval = ProcessFetchSettings().intervalSeconds;
    if (interval > 0)
        SetTimer(window, IDT_FETCH_STATS, FetchPeriodMilliseconds(interval), nullptr);
}

void StatisticsDialog::OnDisconnect()
{
    KillTimer(window, IDT_ONLINE_COUNTER);
    if (fetchThread) {
        // Messages are not handled meanwhile, so a fetch that is setting a
        // text right now cannot finish and is cut off after the wait.
        if (WaitForSingleObject(fetchThread.Get(), kFetchWaitOnDisconnect) == WAIT_TIMEOUT)
            TerminateThread(fetchThread.Get(), static_cast<DWORD>(-1));
        fetchThread.Reset();
    }
    PostMessageA(diallerWindow, WM_STATS_DISCONNECT, 0, 0);
    DestroyWindow(window);
    PostQuitMessage(1);
}

void StatisticsDialog::OnFetchDone(WPARAM fetchId)
{
    // A late completion of an earlier fetch must not drop the handle of the
    // one running now, or the next tick would start a second beside it.
    if (fetchId == fetchRequest.fetchId)
        fetchThread.Reset();
}

void StatisticsDialog::OnDestroy()
{
    // The control must let go of its site while the host window still exists.
    m_browser.Destroy();
    window = nullptr;
}
