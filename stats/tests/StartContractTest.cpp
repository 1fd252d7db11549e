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
        EXPECT_EQ(bare.WaitForExit(10000), 0);
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
        statsWindow = started.WaitForStatsWindow(15000);
        ASSERT_NE(statsWindow, nullptr);
        ClickDisconnect();
        EXPECT_EQ(started.WaitForExit(10000), 1);
        // The request reached the window whose handle was passed.
        EXPECT_EQ(started.DisconnectsReceived(), 1);
    }
}

TEST_F(StartContract, QuitMessageEndsWithTheCodeItCarries)
{
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(dialler.PostQuit(0));
    EXPECT_EQ(dialler.WaitForExit(5000), 0);
    EXPECT_EQ(dialler.DisconnectsReceived(), 0);

    StandInDialler second;
    ASSERT_TRUE(second.Start());
    ASSERT_NE(second.WaitForStatsWindow(15000), nullptr);
    ASSERT_TRUE(second.PostQuit(7));
    EXPECT_EQ(second.WaitForExit(5000), 7);
}

TEST_F(StartContract, DisconnectWithoutFetchPostsAtOnceAndExitsWithOne)
{
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForControlText(dialler, statsWindow, IDC_USED_TIME, "0 hrs 1 min", 10000));
    dialler.Pump(200); // the fetch thread's end

    const DWORD start = GetTickCount();
    ClickDisconnect();
    while (dialler.DisconnectsReceived() == 0 && GetTickCount() - start < 5000)
        dialler.Pump(10);
    // At once, not after the 5 seconds a running fetch would get.
    EXPECT_LT(GetTickCount() - start, 1500u);
    EXPECT_EQ(dialler.WaitForExit(10000), 1);
    EXPECT_EQ(dialler.DisconnectsReceived(), 1);
}

TEST_F(StartContract, DisconnectWhileTheServerHangsCutsTheFetchAfterFiveSeconds)
{
    ASSERT_TRUE(SetUserstatHang());
    ASSERT_NE(StartTallyview(), nullptr);
    dialler.Pump(1000); // the first fetch is under way and held by the server

    const DWORD start = GetTickCount();
    ClickDisconnect();
    const long code = dialler.WaitForExit(15000);
    const DWORD waited = GetTickCount() - start;
    EXPECT_EQ(code, 1);
    EXPECT_EQ(dialler.DisconnectsReceived(), 1);
    EXPECT_GE(waited, 4500u);
    EXPECT_LT(waited, 9000u);
}

// A real mouse click in the middle of the Disconnect button.
void ClickWithMouse(HWND button)
{
    RECT area = {};
    GetWindowRect(button, &area);
    SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

TEST_F(StartContract, DisconnectIsDeadWhileTheProvidersMessageBoxIsOpen)
{
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USERMESSAGE", "Please read"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    HWND box = WaitForMessageBox(10000);
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
    dialler.Pump(500);
    ClickWithMouse(button);
    EXPECT_EQ(dialler.WaitForExit(10000), 1);
    EXPECT_EQ(dialler.DisconnectsReceived(), 1);
}

} // namespace
} // namespace stats_test
