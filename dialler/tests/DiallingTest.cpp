// Dialling runs driven through the main dialog: rotation over busy numbers,
// stopping errors, a refused call and a dropped line.
#include "CoreTestFixture.h"

using namespace guidriver;

namespace {

const char kPortInUseText[] = "The port is already in use or is not configured for Remote Access dial out.";

} // namespace

using Dialling = DiallerTest;

TEST_F(Dialling, BusyNumbersRotateOneTwoThreeOneUntilDisconnect)
{
    StoreNumbers("FreePhone", {"0111", "0222", "0333"});
    StartedDialler run("all-busy.txt");
    ASSERT_TRUE(run.dialog);

    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return run.installation.DialledNumbers().size() >= 4; }, 20000));
    EXPECT_EQ("&Disconnect", ControlText(run.dialog, kConnectButton));
    auto numbers = run.installation.DialledNumbers();
    EXPECT_EQ((std::vector<std::string>{"0111", "0222", "0333", "0111"}),
              std::vector<std::string>(numbers.begin(), numbers.begin() + 4));

    Click(run.dialog, kConnectButton);
    EXPECT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 15000))
        << ControlText(run.dialog, kStatusText);
    EXPECT_EQ("&Connect", ControlText(run.dialog, kConnectButton));
    size_t dialsAfterStop = run.installation.DialledNumbers().size();
    Sleep(1500);
    EXPECT_EQ(dialsAfterStop, run.installation.DialledNumbers().size()) << "dialling went on after Disconnect";
}

// A stopping error shows the service's own text and ends the run in Idle,
// whether the service reports it during the call or RasDial refuses at once.
class StoppingError : public DiallerTest, public ::testing::WithParamInterface<const char*> {
protected:
    // Presses Connect and returns the error box, left open; 0 if none came.
    HWND ConnectUntilTheBox()
    {
        if (!run.dialog)
            return nullptr;
        Click(run.dialog, kConnectButton);
        return run.dialler.MessageBoxWithCaption("Error");
    }

    StartedDialler run{GetParam(), {"switcher.exe"}};
};

TEST_P(StoppingError, Error633ShowsServiceTextAndReturnsToIdle)
{
    HWND box = ConnectUntilTheBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(kPortInUseText, MessageBoxText(box));
    PressMessageBoxButton(box, IDOK);

    EXPECT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 5000))
        << ControlText(run.dialog, kStatusText);
    EXPECT_TRUE(WaitForControlText(run.dialog, kConnectButton, "&Connect", 5000));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.dialog, kConnectButton)));
    Sleep(1000);
    EXPECT_EQ(1u, run.installation.DialledNumbers().size()) << "no further attempt after a stopping error";
}

// The box belongs to the dialog: a close that arrives while it is open (from
// the taskbar, say) waits for the answer, then ends the program once.
TEST_P(StoppingError, CloseWhileTheBoxIsOpenEndsOnceItIsAnswered)
{
    ASSERT_TRUE(run.standInsAdded);
    HWND box = ConnectUntilTheBox();
    ASSERT_TRUE(box);
    PostMessageA(run.dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(run.dialog, WM_COMMAND, IDCANCEL, 0);
    Sleep(500);
    PressMessageBoxButton(box, IDOK);
    EXPECT_EQ(0u, run.dialler.WaitForExit(20000)) << run.installation.LogText();
    EXPECT_TRUE(WaitUntil([&] { return run.installation.StandInStarts("switcher.exe") > 0; }, 5000));
    Sleep(300);
    EXPECT_EQ(1u, run.installation.StandInStarts("switcher.exe"));
    for (const rasim::LogEvent& dial : run.installation.Log("dial")) {
        size_t hangUps = 0;
        for (const rasim::LogEvent& hangUp : run.installation.Log("hangup"))
            hangUps += hangUp.Get("handle") == dial.Get("handle");
        EXPECT_LE(hangUps, 1u) << run.installation.LogText();
    }
}

INSTANTIATE_TEST_SUITE_P(Dialling, StoppingError,
                         ::testing::Values("stop-633-notified.txt", "stop-633-at-once.txt"));

TEST_F(Dialling, RasDialFailingAtOnceMovesToTheNextNumber)
{
    StoreNumbers("FreePhone", {"0111", "0222"});
    StartedDialler run("fail-at-once-then-connect.txt");
    ASSERT_TRUE(run.dialog);

    Click(run.dialog, kConnectButton);
    // The refusal's text stays up for a moment before the next number.
    EXPECT_TRUE(WaitForControlText(run.dialog, kStatusText, "There was no answer.", 5000))
        << ControlText(run.dialog, kStatusText);
    ASSERT_TRUE(WaitUntil([&] { return !run.installation.Log("connected").empty(); }, 15000))
        << "the run hung after RasDial refused the first number";
    auto dials = run.installation.Log("dial");
    ASSERT_EQ(2u, dials.size());
    EXPECT_EQ("0111", dials[0].Get("phone"));
    EXPECT_EQ("678", dials[0].Get("result"));
    EXPECT_EQ("0222", dials[1].Get("phone"));
}

TEST_F(Dialling, DroppedLineIsNoticedWithinAboutASecond)
{
    StartedDialler run("line-drop.txt");
    ASSERT_TRUE(run.dialog);

    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return !run.installation.Log("connected").empty(); }, 10000));
    // The first tick of the connection timer hides the dialog in the tray.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(run.dialog); }, 5000));

    ASSERT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 8000))
        << ControlText(run.dialog, kStatusText);
    // The service notes the drop when it is first asked after it happened,
    // so its log tells how long the dialler took to look.
    auto drops = run.installation.Log("drop");
    ASSERT_EQ(1u, drops.size());
    unsigned long connectedAt = run.installation.Log("connected").at(0).Number("ms");
    unsigned long noticedAt = drops[0].Number("ms");
    EXPECT_LT(noticedAt - connectedAt, 3000u + 1500u) << "line dropped 3 s after connecting";
    EXPECT_TRUE(IsWindowVisible(run.dialog)) << "the dialog comes back out of the tray";
    EXPECT_EQ("&Connect", ControlText(run.dialog, kConnectButton));
    EXPECT_EQ(1u, run.installation.DialledNumbers().size());
}

TEST_F(Dialling, DisconnectGivesUpOnAServiceThatNeverLetsGoWithoutSpinning)
{
    StartedDialler run("hangup-held.txt");
    ASSERT_TRUE(run.dialog);
    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitForControlText(run.dialog, kStatusText, "Dialing remote server", 10000));

    ULONGLONG cpuBefore = run.dialler.CpuMs();
    ASSERT_GT(cpuBefore, 0u) << "the dialler's processor time cannot be read";
    DWORD clicked = GetTickCount();
    Click(run.dialog, kConnectButton);
    Sleep(3000);
    // Still waiting for the service, yet the dialog answers at once.
    DWORD asked = GetTickCount();
    EXPECT_EQ("&Connect", ControlText(run.dialog, kConnectButton));
    EXPECT_LT(GetTickCount() - asked, 1000u) << "the dialog's messages are not pumped while hanging up";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(run.dialog, kConnectButton)));

    ASSERT_TRUE(WaitForControlText(run.dialog, kStatusText, "Not connected", 20000))
        << ControlText(run.dialog, kStatusText);
    DWORD waited = GetTickCount() - clicked;
    EXPECT_GE(waited, 9000u) << run.installation.LogText();
    EXPECT_LT(waited, 14000u) << "the wait for the service must be bounded";
    // Polling without a pause would burn the whole ten seconds of a core.
    EXPECT_LT(run.dialler.CpuMs() - cpuBefore, 3000u);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.dialog, kConnectButton)));
}
