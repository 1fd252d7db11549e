// How Tallyview starts and ends: the start contract with the dialler, the
// dialler's quit message, and Disconnect.
#include "ProviderAnswers.h"
#include "TallyviewFixture.h"
#include "stats/res/resource.h"

namespace stats_test {
namespace {

using StartContract = TallyviewTest;

TEST_F(StartContract, WithoutTheDiallersWindowNoWindowAndExitCodeZero)
{
    for (StartMode mode : {StartMode::WithoutStdHandles, StartMode::WithNullHandle}) {
        StandInDialler bare;
        ASSERT_TRUE(bare.Start(mode));
        EXPECT_EQ(bare.WaitForExit(kEventWait), 0);
        EXPECT_EQ(bare.FindTopLevel(nullptr), nullptr);
    }
    // It did not get as far as fetching.
    EXPECT_EQ(CountUserstatRequests(), 0);
}

TEST_F(StartContract, WindowHandleArrivesWithAndWithoutHandleInheritance)
{
    for (StartMode mode : {StartMode::WithWindowHandle, StartMode::InheritingHandles}) {
        StandInDialler started;
        ASSERT_TRUE(started.Start(mode));
        statsWindow = started.WaitForStatsWindow(kEventWait);
        ASSERT_NE(statsWindow, nullptr);
        ClickDisconnect();
        EXPECT_EQ(started.WaitForExit(kEventWait), 1);
        // The request reached the window whose handle was passed.
        EXPECT_EQ(started.DisconnectsReceived(), 1);
    }
}

TEST_F(StartContract, QuitMessageEndsWithTheCodeItCarries)
{
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(dialler.PostQuit(0));
    EXPECT_EQ(dialler.WaitForExit(kEventWait), 0);
    EXPECT_EQ(dialler.DisconnectsReceived(), 0);

    StandInDialler second;
    ASSERT_TRUE(second.Start());
    ASSERT_NE(second.WaitForStatsWindow(kEventWait), nullptr);
    ASSERT_TRUE(second.PostQuit(7));
    EXPECT_EQ(second.WaitForExit(kEventWait), 7);
}

TEST_F(StartContract, DisconnectWithoutFetchPostsAtOnceAndExitsWithOne)
{
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForControlText(statsWindow, IDC_USED_TIME, "0 hrs 1 min", kEventWait));
    dialler.Pump(200); // the fetch thread's end

    const DWORD start = GetTickCount();
    ClickDisconnect();
    while (dialler.DisconnectsReceived() == 0 && GetTickCount() - start < 5000)
        dialler.Pump(10);
    // At once, not after the 5 seconds a running fetch would get.
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_EQ(dialler.WaitForExit(kEventWait), 1);
    EXPECT_EQ(dialler.DisconnectsReceived(), 1);
}

TEST_F(StartContract, DisconnectWhileTheServerHangsCutsTheFetchAfterFiveSeconds)
{
    ASSERT_TRUE(SetUserstatHang());
    ASSERT_NE(StartTallyview(), nullptr);
    dialler.Pump(1000); // the first fetch is under way and held by the server

    const DWORD start = GetTickCount();
    ClickDisconnect();
    const long code = dialler.WaitForExit(kEventWait);
    const DWORD waited = GetTickCount() - start;
    EXPECT_EQ(code, 1);
    EXPECT_EQ(dialler.DisconnectsReceived(), 1);
    EXPECT_GE(waited, 4500u);
    EXPECT_LT(waited, 12000u);
}

POINT Middle(HWND window)
{
    RECT area = {};
    GetWindowRect(window, &area);
    return {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
}

// A real mouse click in the middle of the Disconnect button. Each event
// carries the position itself, so a late pointer motion from the display
// cannot move the click elsewhere.
void ClickWithMouse(HWND button)
{
    const POINT middle = Middle(button);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT clicks[2] = {};
    for (INPUT& click : clicks) {
        click.type = INPUT_MOUSE;
        click.mi.dx = MulDiv(middle.x, 65535, width - 1);
        click.mi.dy = MulDiv(middle.y, 65535, height - 1);
        click.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    clicks[0].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SetCursorPos(middle.x, middle.y);
    SendInput(2, clicks, sizeof(INPUT));
}

TEST_F(StartContract, DisconnectIsDeadWhileTheProvidersMessageBoxIsOpen)
{
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USERMESSAGE", "Please read"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    HWND box = WaitForMessageBox(kEventWait);
    ASSERT_NE(box, nullptr);
    RECT work = {}, frame = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    for (int i = 0; i < 300 && (GetWindowRect(statsWindow, &frame), frame.bottom != work.bottom); ++i)
        dialler.Pump(20);
    // The box may sit over the button; it must not be hit instead.
    RECT boxArea = {}, buttonArea = {}, overlap = {};
    GetWindowRect(box, &boxArea);
    HWND button = GetDlgItem(statsWindow, IDC_DISCONNECT);
    GetWindowRect(button, &buttonArea);
    if (IntersectRect(&overlap, &boxArea, &buttonArea))
        SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    ClickWithMouse(button);
    dialler.Pump(1000);
    EXPECT_EQ(dialler.DisconnectsReceived(), 0);
    EXPECT_TRUE(dialler.Running());

    PressOk(box);
    // The box gives the window back on its own thread; a loaded machine can
    // take a while, so the click waits until the button is really there.
    const DWORD start = GetTickCount();
    while (!(IsWindowEnabled(statsWindow) && WindowFromPoint(Middle(button)) == button) &&
           GetTickCount() - start < kEventWait)
        dialler.Pump(20);
    ASSERT_FALSE(IsWindow(box));
    ASSERT_TRUE(IsWindowEnabled(statsWindow));
    ASSERT_EQ(WindowFromPoint(Middle(button)), button);
    dialler.Pump(200);
    ClickWithMouse(button);
    EXPECT_EQ(dialler.WaitForExit(kEventWait), 1);
    EXPECT_EQ(dialler.DisconnectsReceived(), 1);
}

} // namespace
} // namespace stats_test
