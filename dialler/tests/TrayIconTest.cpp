// The notification-area icon against a recording stand-in for the shell.
#include "dialler/TaskbarAnimation.h"
#include "dialler/TrayIcon.h"
#include "dialler/res/resource.h"
#include "FakeTray.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kCallback = WM_APP + 10;

std::vector<WPARAM> g_commands;

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        g_commands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* className, HWND parent, int x, int y, int width, int height)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReceiverProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    return CreateWindowExA(0, className, "", style, x, y, width, height, parent, nullptr, windowClass.hInstance,
                           nullptr);
}

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_commands.clear();
        receiver = MakeWindow("TrayTestReceiver", nullptr, 10, 10, 200, 100);
        ASSERT_TRUE(receiver);
    }
    void TearDown() override { DestroyWindow(receiver); }

    void SetUpIcon(NotifyAreaIcon& icon)
    {
        HICON image = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
        ASSERT_TRUE(icon.Setup(GetModuleHandleA(nullptr), receiver, kCallback, "Tovrin", image, IDR_TRAY_MENU,
                               TRUE, nullptr, nullptr, 0, 10));
    }

    FakeTray tray;
    HWND receiver = nullptr;
};

} // namespace

TEST_F(TrayIconTest, SetupAddsHiddenIconThatRemoveTakesAway)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    ASSERT_FALSE(tray.Calls().empty());
    EXPECT_EQ(tray.Calls()[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(tray.HasIcon(receiver, IDR_TRAY_MENU));
    EXPECT_FALSE(tray.IconVisible(receiver, IDR_TRAY_MENU));

    EXPECT_TRUE(icon.RemoveFromTray());
    EXPECT_FALSE(tray.HasIcon(receiver, IDR_TRAY_MENU));
    EXPECT_TRUE(icon.IsRemoved());
    EXPECT_TRUE(icon.IsHidden());
}

TEST_F(TrayIconTest, ShowHideShowFollowsTheStates)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    icon.RemoveFromTray();

    EXPECT_TRUE(icon.ShowInTray());
    EXPECT_TRUE(tray.IconVisible(receiver, IDR_TRAY_MENU));
    EXPECT_EQ(tray.TipOf(receiver, IDR_TRAY_MENU), "Tovrin");
    EXPECT_EQ(tray.Calls().back().callbackMessage, kCallback);

    EXPECT_TRUE(icon.HideInTray());
    EXPECT_TRUE(tray.HasIcon(receiver, IDR_TRAY_MENU));
    EXPECT_FALSE(tray.IconVisible(receiver, IDR_TRAY_MENU));

    EXPECT_TRUE(icon.ShowInTray());
    EXPECT_TRUE(tray.IconVisible(receiver, IDR_TRAY_MENU));
    EXPECT_TRUE(icon.HideInTray());
    EXPECT_FALSE(tray.IconVisible(receiver, IDR_TRAY_MENU));

    EXPECT_TRUE(icon.RemoveFromTray());
    EXPECT_FALSE(tray.HasIcon(receiver, IDR_TRAY_MENU));
}

TEST_F(TrayIconTest, TipTextReachesShellOnlyWhileVisible)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    icon.RemoveFromTray();

    size_t before = tray.Calls().size();
    EXPECT_TRUE(icon.SetTipText("00:00:01"));
    EXPECT_EQ(tray.Calls().size(), before) << "an absent icon only stores the text";

    icon.ShowInTray();
    EXPECT_EQ(tray.TipOf(receiver, IDR_TRAY_MENU), "00:00:01") << "the next add carries the latest text";

    EXPECT_TRUE(icon.SetTipText("00:00:02"));
    EXPECT_EQ(tray.TipOf(receiver, IDR_TRAY_MENU), "00:00:02");
}

TEST_F(TrayIconTest, LongTipIsCutTo127Bytes)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    icon.RemoveFromTray();
    icon.ShowInTray();

    std::string longTip(200, 'a');
    EXPECT_TRUE(icon.SetTipText(longTip.c_str()));
    EXPECT_EQ(std::string(icon.TipText()), std::string(127, 'a'));
    EXPECT_EQ(tray.TipOf(receiver, IDR_TRAY_MENU), std::string(127, 'a'));
}

TEST_F(TrayIconTest, CallbackForAnotherIconIsIgnored)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    EXPECT_EQ(icon.HandleTrayCallback(IDR_TRAY_MENU + 1, WM_RBUTTONUP), 0);
    EXPECT_EQ(icon.HandleTrayCallback(IDR_TRAY_MENU + 1, WM_LBUTTONDBLCLK), 0);
    PumpMessages(50);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(TrayIconTest, DoubleClickSendsTheUnsetDefaultCommand)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    EXPECT_EQ(icon.HandleTrayCallback(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 1);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(static_cast<UINT>(g_commands[0]), 0xFFFFFFFFu);
    EXPECT_EQ(icon.HandleTrayCallback(IDR_TRAY_MENU, WM_MOUSEMOVE), 1);
    EXPECT_EQ(g_commands.size(), 1u);
}

// Regression: an icon visible when the taskbar was re-created stayed gone.
TEST_F(TrayIconTest, TaskbarCreatedRestoresVisibleIcon)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    icon.RemoveFromTray();
    icon.ShowInTray();
    icon.SetTipText("00:01:00");

    tray.Forget();
    ASSERT_NE(g_taskbarCreatedMessage, 0u);
    SendMessageA(icon.HiddenWindow(), g_taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(tray.IconVisible(receiver, IDR_TRAY_MENU));
    EXPECT_EQ(tray.TipOf(receiver, IDR_TRAY_MENU), "00:01:00");
    EXPECT_FALSE(icon.IsHidden());
}

TEST_F(TrayIconTest, TaskbarCreatedLeavesAbsentIconAbsent)
{
    NotifyAreaIcon icon;
    SetUpIcon(icon);
    icon.RemoveFromTray();
    tray.Forget();
    SendMessageA(icon.HiddenWindow(), g_taskbarCreatedMessage, 0, 0);
    EXPECT_FALSE(tray.HasIcon(receiver, IDR_TRAY_MENU));

    // A hidden icon is forgotten by the new taskbar; showing adds it anew.
    icon.ShowInTray();
    icon.HideInTray();
    tray.Forget();
    SendMessageA(icon.HiddenWindow(), g_taskbarCreatedMessage, 0, 0);
    EXPECT_FALSE(tray.HasIcon(receiver, IDR_TRAY_MENU));
    EXPECT_TRUE(icon.ShowInTray());
    EXPECT_TRUE(tray.IconVisible(receiver, IDR_TRAY_MENU));
}

// The notification area without the clock, on either kind of taskbar: a
// horizontal one keeps the clock at the area's right end, a vertical one at
// its top.
struct TaskbarSide {
    const char* name;
    RECT taskbar; // empty: the stand-in's own horizontal bar
    RECT area;    // in the taskbar
    RECT clock;   // in the area
    bool vertical;
};

class NotifyAreaTest : public TrayIconTest, public ::testing::WithParamInterface<TaskbarSide> {};

TEST_P(NotifyAreaTest, ExcludesTheClock)
{
    const TaskbarSide& side = GetParam();
    const RECT& bar = side.taskbar;
    if (bar.right > bar.left)
        SetWindowPos(tray.Window(), nullptr, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    HWND area = MakeWindow("TrayNotifyWnd", tray.Window(), side.area.left, side.area.top,
                           side.area.right - side.area.left, side.area.bottom - side.area.top);
    HWND clock = MakeWindow("TrayClockWClass", area, side.clock.left, side.clock.top,
                            side.clock.right - side.clock.left, side.clock.bottom - side.clock.top);
    ASSERT_TRUE(area && clock);
    RECT found = {};
    FindNotifyAreaRect(&found);
    RECT areaRect, clockRect;
    GetWindowRect(area, &areaRect);
    GetWindowRect(clock, &clockRect);
    RECT expected = areaRect;
    if (side.vertical)
        expected.top = clockRect.bottom;
    else
        expected.right = clockRect.left;
    EXPECT_EQ(found.left, expected.left);
    EXPECT_EQ(found.top, expected.top);
    EXPECT_EQ(found.right, expected.right);
    EXPECT_EQ(found.bottom, expected.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    TaskbarSides, NotifyAreaTest,
    ::testing::Values(TaskbarSide{"LeftOfTheClock", {}, {800, 0, 1024, 28}, {160, 0, 220, 28}, false},
                      TaskbarSide{"BelowTheClockOnAVerticalBar", {984, 0, 1024, 740}, {0, 500, 40, 740},
                                  {0, 0, 40, 20}, true}),
    [](const ::testing::TestParamInfo<TaskbarSide>& info) { return std::string(info.param.name); });

TEST_F(TrayIconTest, AnimationHidesOffTaskbarAndBringsBack)
{
    HWND window = MakeWindow("TrayTestDialog", nullptr, 100, 100, 300, 200);
    ShowWindow(window, SW_SHOW);
    AnimateToTray(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_NE(GetAncestor(window, GA_PARENT), GetDesktopWindow()) << "no parent would leave a taskbar button";

    AnimateFromTray(window);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    DestroyWindow(window);
}
