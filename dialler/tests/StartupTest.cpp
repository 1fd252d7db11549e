// Start-up of the dialler: one instance, the connection left open by someone
// else, and the directory it works in.

#include "CoreTestFixture.h"

using namespace guidriver;

namespace {

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

using SecondInstance = DiallerTest;

TEST_F(SecondInstance, IsToldAndEndsWithZeroWhileFirstKeepsRunning)
{
    StartedDialler first("all-busy.txt");
    ASSERT_TRUE(first.dialog);

    DiallerProcess second(first.installation);
    HWND box = second.MessageBoxWithCaption("Tovrin running");
    ASSERT_TRUE(box);
    EXPECT_EQ("Tovrin is already running", MessageBoxText(box));
    EXPECT_FALSE(second.MainDialog(500)) << "the second copy must not open a dialog";
    PressMessageBoxButton(box, IDOK);
    EXPECT_EQ(0u, second.WaitForExit(10000));

    EXPECT_EQ(STILL_ACTIVE, first.dialler.WaitForExit(0));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == first.dialog; }, 3000))
        << "the running dialler is brought to the front after the box";
}

TEST_F(SecondInstance, LeavesAFirstHiddenInTheTrayHidden)
{
    StartedDialler first("stays-connected.txt");
    ASSERT_TRUE(first.dialog);
    Click(first.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(first.dialog); }, 10000)) << "not moved to the tray";

    DiallerProcess second(first.installation);
    HWND box = second.MessageBoxWithCaption("Tovrin running");
    ASSERT_TRUE(box);
    PressMessageBoxButton(box, IDOK);
    EXPECT_EQ(0u, second.WaitForExit(10000));
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(first.dialog)) << "a dialler in the tray stays there";
    EXPECT_EQ(STILL_ACTIVE, first.dialler.WaitForExit(0));
    EXPECT_TRUE(first.installation.Log("hangup").empty()) << "the first copy's connection must stay up";
}

using ExternalConnection = DiallerTest;

TEST_F(ExternalConnection, OkHangsItUpBeforeTheDialog)
{
    Installation installation("external-connection.txt");
    DiallerProcess dialler(installation);
    HWND box = dialler.MessageBoxWithCaption("Warning!");
    ASSERT_TRUE(box);
    EXPECT_EQ("Another connection is still open. Disconnect?", MessageBoxText(box));
    EXPECT_FALSE(dialler.MainDialog(300)) << "the question comes before the main dialog";
    std::string otherHandle = installation.Log("open").at(0).Get("handle");
    PressMessageBoxButton(box, IDOK);

    HWND dialog = dialler.MainDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(WaitForControlText(dialog, kStatusText, "Not connected", 5000)) << ControlText(dialog, kStatusText);
    auto hangUps = installation.Log("hangup");
    ASSERT_EQ(1u, hangUps.size());
    EXPECT_EQ(otherHandle, hangUps[0].Get("handle"));
}

TEST_F(ExternalConnection, CancelLeavesItAndTheDialogReportsIt)
{
    Installation installation("external-connection.txt");
    DiallerProcess dialler(installation);
    HWND box = dialler.MessageBoxWithCaption("Warning!");
    ASSERT_TRUE(box);
    PressMessageBoxButton(box, IDCANCEL);

    HWND dialog = dialler.MainDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(WaitForControlText(dialog, kStatusText, "External connection detected: Other ISP", 5000))
        << ControlText(dialog, kStatusText);
    EXPECT_EQ("&Connect", ControlText(dialog, kConnectButton));
    EXPECT_TRUE(installation.Log("hangup").empty());
}

using CurrentDirectory = DiallerTest;

TEST_F(CurrentDirectory, IsTheDiallersOwnWhereverItWasStartedFrom)
{
    Installation installation("all-busy.txt");
    ASSERT_TRUE(installation.AddStandIn("switcher.exe"));

    // Started from the system folder: switcher.exe is only found if the
    // dialler has moved to its own directory.
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, sizeof system);
    DiallerProcess dialler(installation, system);
    HWND dialog = dialler.MainDialog();
    ASSERT_TRUE(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_EQ(0u, dialler.WaitForExit(10000));

    ASSERT_TRUE(WaitUntil([&] { return installation.StandInStarts("switcher.exe") == 1; }, 10000))
        << "switcher.exe was not started from the installation folder";
    std::string directory, argument;
    for (const std::string& line : installation.StandInRecord("switcher.exe")) {
        if (line.rfind("dir=", 0) == 0)
            directory = line.substr(4);
        else if (line.rfind("args=", 0) == 0)
            argument = line.substr(line.find(' ') + 1);
    }
    // The folder may be reported with or without its trailing backslash.
    if (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    EXPECT_EQ(Lowered(installation.Folder()), Lowered(directory));
    EXPECT_EQ(std::to_string(dialler.Id()), argument);
}

// Closing the dialog while connected asks first; either way the dialler ends
// and starts switcher.
class CloseWhileConnected : public DiallerTest, public ::testing::WithParamInterface<int> {};

TEST_P(CloseWhileConnected, AsksToBreakThenExitsAndStartsSwitcher)
{
    const int answer = GetParam();
    StartedDialler run("stays-connected.txt", {"switcher.exe"});
    ASSERT_TRUE(run.standInsAdded);
    ASSERT_TRUE(run.dialog);
    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return !run.installation.Log("connected").empty(); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(run.dialog); }, 5000)) << "not moved to the tray";

    PostMessageA(run.dialog, WM_COMMAND, IDCANCEL, 0);
    HWND box = run.dialler.MessageBoxWithCaption("Tovrin");
    ASSERT_TRUE(box);
    EXPECT_EQ("Break connection?", MessageBoxText(box));
    PressMessageBoxButton(box, answer);
    EXPECT_EQ(0u, run.dialler.WaitForExit(15000));

    std::string handle = run.installation.Log("dial").at(0).Get("handle");
    bool hungUp = false;
    for (const rasim::LogEvent& hangUp : run.installation.Log("hangup"))
        hungUp = hungUp || hangUp.Get("handle") == handle;
    EXPECT_EQ(answer == IDOK, hungUp);
    EXPECT_TRUE(WaitUntil([&] { return run.installation.StandInStarts("switcher.exe") == 1; }, 10000))
        << "switcher was not started at exit";
}

INSTANTIATE_TEST_SUITE_P(Startup, CloseWhileConnected, ::testing::Values(IDOK, IDCANCEL));
