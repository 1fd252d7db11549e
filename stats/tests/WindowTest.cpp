// The statistics window itself: where it comes to rest, the online counter,
// keys that must do nothing, and the banner control.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ProviderAnswers.h"
#include "ScreenCapture.h"
#include "TallyviewFixture.h"
#include "stats/res/resource.h"
#include "utils/ScopedHandle.h"

namespace stats_test {
namespace {

using StatisticsWindow = TallyviewTest;

RECT WorkArea()
{
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT BottomRightQuarter()
{
    RECT area = WorkArea();
    area.left = area.right / 2;
    area.top = area.bottom / 2;
    return area;
}

TEST_F(StatisticsWindow, SlidesUpFromBelowTheWorkAreaAndRestsOnItsBottomRightCorner)
{
    const RECT work = WorkArea();
    ASSERT_NE(StartTallyview(), nullptr);
    std::vector<LONG> tops;
    RECT frame = {};
    bool capturedMidSlide = false;
    const DWORD start = GetTickCount();
    do {
        GetWindowRect(statsWindow, &frame);
        if (tops.empty() || tops.back() != frame.top)
            tops.push_back(frame.top);
        // Half in view, with some way still to go.
        const LONG half = (frame.bottom - frame.top) / 2;
        if (!capturedMidSlide && frame.top < work.bottom - half && frame.bottom > work.bottom + 10) {
            const std::string folder = ScreenshotFolder();
            if (!folder.empty())
                SaveScreenPng(BottomRightQuarter(), folder + "\\tallyview-mid-slide.png");
            capturedMidSlide = true;
        }
        dialler.Pump(5);
    } while (frame.bottom != work.bottom && GetTickCount() - start < kEventWait);

    EXPECT_EQ(frame.bottom, work.bottom);
    EXPECT_EQ(frame.right, work.right);
    ASSERT_GE(tops.size(), 3u);
    // Seen well below its resting place first, then only ever rising, but
    // for the last step of an odd height, which goes 1 pixel back down.
    EXPECT_GT(tops.front(), tops.back() + 30);
    for (size_t i = 1; i + 1 < tops.size(); ++i)
        EXPECT_LT(tops[i], tops[i - 1]);
    const LONG lastStep = tops[tops.size() - 1] - tops[tops.size() - 2];
    EXPECT_TRUE(lastStep < 0 || lastStep == 1) << lastStep;
    EXPECT_TRUE(capturedMidSlide);

    // At rest it stays put.
    dialler.Pump(300);
    RECT later = {};
    GetWindowRect(statsWindow, &later);
    EXPECT_EQ(later.top, frame.top);
    EXPECT_EQ(later.bottom, work.bottom);
}

BOOL CALLBACK CollectChildText(HWND child, LPARAM texts)
{
    reinterpret_cast<std::vector<std::string>*>(texts)->push_back(WindowTitle(child));
    return TRUE;
}

TEST_F(StatisticsWindow, ToolWindowWithoutSystemMenuAndTheTemplatesControls)
{
    ASSERT_NE(StartTallyview(), nullptr);
    const LONG_PTR style = GetWindowLongPtrA(statsWindow, GWL_STYLE);
    const LONG_PTR extended = GetWindowLongPtrA(statsWindow, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(extended & WS_EX_TOOLWINDOW, 0);
    // No taskbar button.
    EXPECT_EQ(extended & WS_EX_APPWINDOW, 0);

    HWND button = GetDlgItem(statsWindow, IDC_DISCONNECT);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(WindowTitle(button), "Disconnect");
    EXPECT_EQ(GetWindowLongPtrA(button, GWL_STYLE) & WS_TABSTOP, 0);
    for (int id : {IDC_ONLINE_HOURS, IDC_ONLINE_MINUTES, IDC_ONLINE_SECONDS, IDC_USED_TIME, IDC_ALLOWED_TIME,
                   IDC_REMAINING_TIME})
        EXPECT_NE(GetDlgItem(statsWindow, id), nullptr) << id;
    std::vector<std::string> texts;
    EnumChildWindows(statsWindow, CollectChildText, reinterpret_cast<LPARAM>(&texts));
    for (const char* label : {"Online time spent: ", "hours", "minutes", "seconds", "Used time", "Allowed time",
                              "Remaining time"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end()) << label;
}

TEST_F(StatisticsWindow, OnlineCounterShowsUnpaddedHoursAndTwoDigitMinutesAndSeconds)
{
    // The counter starts when the window initialises, somewhere between the
    // program's start and the window's showing.
    const DWORD started = GetTickCount();
    ASSERT_NE(StartTallyview(), nullptr);
    const DWORD shown = GetTickCount();
    dialler.Pump(3500);
    const DWORD read = GetTickCount();
    EXPECT_EQ(Field(IDC_ONLINE_HOURS), "0");
    EXPECT_EQ(Field(IDC_ONLINE_MINUTES), "00");
    const std::string seconds = Field(IDC_ONLINE_SECONDS);
    ASSERT_EQ(seconds.size(), 2u);
    const int shownSeconds = atoi(seconds.c_str());
    EXPECT_GE(shownSeconds, static_cast<int>((read - shown) / 1000) - 2);
    EXPECT_LE(shownSeconds, static_cast<int>((read - started) / 1000) + 1);
    // It keeps counting.
    dialler.Pump(2100);
    EXPECT_GE(atoi(Field(IDC_ONLINE_SECONDS).c_str()), shownSeconds + 1);
}

TEST_F(StatisticsWindow, EnterAndEscapeChangeNothing)
{
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USERNAME", "Ann"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForWindowTitle(statsWindow, "Ann's stats", kEventWait));

    // Keys go where the keyboard would send them: the focused window.
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(statsWindow, nullptr), &gui);
    HWND target = gui.hwndFocus ? gui.hwndFocus : statsWindow;
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageA(target, WM_KEYDOWN, key, 1);
        PostMessageA(target, WM_KEYUP, key, 0xC0000001);
        PostMessageA(statsWindow, WM_KEYDOWN, key, 1);
        PostMessageA(statsWindow, WM_KEYUP, key, 0xC0000001);
    }
    dialler.Pump(1000);
    EXPECT_TRUE(dialler.Running());
    EXPECT_TRUE(IsWindowVisible(statsWindow));
    EXPECT_EQ(WindowTitle(statsWindow), "Ann's stats");
    EXPECT_EQ(dialler.DisconnectsReceived(), 0);
}

// The banner host's rectangle, in the dialog's client pixels, against the
// template's (0, 88, 188, 63) dialog units, scaled by the Disconnect
// button's (50 x 14 units) size in pixels.
void ExpectBannerInPlaceholderRectangle(HWND dialog, HWND banner)
{
    RECT button = {}, host = {}, client = {};
    GetWindowRect(GetDlgItem(dialog, IDC_DISCONNECT), &button);
    GetWindowRect(banner, &host);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&host), 2);
    GetClientRect(dialog, &client);
    const double unitX = (button.right - button.left) / 50.0;
    const double unitY = (button.bottom - button.top) / 14.0;
    EXPECT_EQ(host.left, 0);
    EXPECT_NEAR(host.top, 88 * unitY, 2.0);
    EXPECT_NEAR(host.right - host.left, 188 * unitX, 3.0);
    EXPECT_NEAR(host.bottom - host.top, 63 * unitY, 3.0);
    // It reaches past the dialog's right and bottom edges.
    EXPECT_GT(host.right, client.right);
    EXPECT_GT(host.bottom, client.bottom);
}

// Wine's per-program library switches; an empty value disables a library.
class DisableBrowserLibraryForTallyview {
public:
    DisableBrowserLibraryForTallyview()
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
        for (const char* library : {"ieframe", "shdocvw"})
            RegSetValueExA(key.Get(), library, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    }
    ~DisableBrowserLibraryForTallyview()
    {
        key.Reset();
        RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    }
    DisableBrowserLibraryForTallyview(const DisableBrowserLibraryForTallyview&) = delete;
    DisableBrowserLibraryForTallyview& operator=(const DisableBrowserLibraryForTallyview&) = delete;

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\Tallyview.dll\\DllOverrides";
    RegistryKey key;
};

UINT_PTR NavigateCount(HWND banner)
{
    return reinterpret_cast<UINT_PTR>(GetPropA(banner, "TovrinBannerNavigations"));
}

TEST_F(StatisticsWindow, BannerControlTakesControl1000AndShowsTheStoredAddressOnce)
{
    const std::string banner = ProviderUrl() + "/banner.html";
    ASSERT_NE(StartTallyview(), nullptr);
    dialler.Pump(1000);
    HWND host = GetDlgItem(statsWindow, IDC_BANNER);
    ASSERT_NE(host, nullptr);
    char className[64] = "";
    GetClassNameA(host, className, sizeof className);
    EXPECT_STREQ(className, "TovrinBannerHost");
    ExpectBannerInPlaceholderRectangle(statsWindow, host);
    // The system's control was created and placed inside the host.
    EXPECT_NE(GetPropA(host, "TovrinBrowserControl"), nullptr);
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
    EXPECT_EQ(WindowTitle(host), banner);
    EXPECT_EQ(NavigateCount(host), 1u);
    dialler.Pump(2000);
    EXPECT_EQ(NavigateCount(host), 1u);
}

TEST_F(StatisticsWindow, EmptyBannerAddressNavigatesNowhere)
{
    SetBanner("");
    ASSERT_NE(StartTallyview(), nullptr);
    dialler.Pump(500);
    HWND host = GetDlgItem(statsWindow, IDC_BANNER);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(WindowTitle(host), "");
    EXPECT_EQ(NavigateCount(host), 0u);
}

TEST_F(StatisticsWindow, WorksWithoutTheBrowserControl)
{
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "5400"}})));
    // Wine told to load no browser library for Tallyview: the control
    // cannot be created.
    DisableBrowserLibraryForTallyview disabled;
    ASSERT_NE(StartTallyview(), nullptr);
    EXPECT_TRUE(WaitForControlText(statsWindow, IDC_USED_TIME, "1 hr 30 mins", kEventWait));
    HWND host = GetDlgItem(statsWindow, IDC_BANNER);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(GetPropA(host, "TovrinBrowserControl"), nullptr);
    ExpectBannerInPlaceholderRectangle(statsWindow, host);
    // The address was still asked for, and the rest of the window works.
    EXPECT_EQ(WindowTitle(host), ProviderUrl() + "/banner.html");
    dialler.Pump(1500);
    EXPECT_FALSE(Field(IDC_ONLINE_SECONDS).empty());
    ClickDisconnect();
    EXPECT_EQ(dialler.WaitForExit(kEventWait), 1);
    EXPECT_EQ(dialler.DisconnectsReceived(), 1);
}

} // namespace
} // namespace stats_test
