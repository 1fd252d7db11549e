// The real Tovrin.exe under Wine with the simulated remote-access service:
// the main and Settings dialogs, the tray, Tallyview's disconnect request,
// closing, and the companion programs.
#include "Controls.h"
#include "DiallerInstallation.h"
#include "FakeTray.h"
#include "MessageBoxes.h"
#include "RegistryProbe.h"
#include "RunOnceProbe.h"
#include "Screenshot.h"
#include "SessionEnd.h"
#include "TextFiles.h"
#include "WindowSearch.h"
#include "dialler/DiallerContext.h"
#include "dialler/res/resource.h"
#include "utils/ScopedHandle.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <thread>

using namespace guidriver;

namespace {

const char kHomePage[] = "http://127.0.0.1:9/home";
const char kHttpCommandKey[] = "http\\shell\\open\\command";
const char kWineX11Key[] = "Software\\Wine\\X11 Driver";

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted)
{
    for (const std::string& line : lines)
        if (line == wanted)
            return true;
    return false;
}

class DiallerUiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe::ClearTovrinKey();
        // Every address the dialler might use stays on this machine.
        probe::WriteText(probe::kSettingsKey, "HomePage", kHomePage);
        probe::WriteText(probe::kSettingsKey, "UpdatePage", "http://127.0.0.1:9/update");
        probe::WriteText(probe::kSettingsKey, "BannerURL", "http://127.0.0.1:9/banner");
        // Wine draws the frames itself, so screenshots show the captions.
        RegistryKey x11;
        RegCreateKeyExA(HKEY_CURRENT_USER, kWineX11Key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, x11.Receive(),
                        nullptr);
        RegSetValueExA(x11.Get(), "Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        savedHttpCommand = probe::ReadClassesRoot(kHttpCommandKey);
        UseSimulatedService();
    }

    void TearDown() override
    {
        probe::WriteClassesRoot(kHttpCommandKey, savedHttpCommand);
        ForgetSimulatedService();
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kWineX11Key, "Decorated");
        probe::ClearTovrinKey();
    }

    void StoreCredentials()
    {
        probe::WriteText(probe::kSettingsKey, "username", "alice");
        probe::WriteText(probe::kSettingsKey, "password", "secret");
    }

    // A fresh installation with the scenario fixture; stand-ins record how
    // Tallyview and switcher are started.
    void Install(const char* scenarioFixture, const std::string& programFolder = "")
    {
        ClearSwitcherRunOnce();
        installation = std::make_unique<Installation>(scenarioFixture, TOVRIN_UI_FIXTURES, programFolder);
        installation->AddStandIn("Tallyview.dll");
        installation->AddStandIn("switcher.exe");
    }

    // The browser stand-in records the URL the shell hands it.
    void InstallBrowser()
    {
        installation->AddStandIn("browser.exe");
        probe::WriteClassesRoot(kHttpCommandKey, "\"" + installation->PathOf("browser.exe") + "\" \"%1\"");
    }

    // Starts the dialler in its own folder.
    void Launch() { dialler = std::make_unique<DiallerProcess>(*installation, installation->Folder()); }
    bool WaitForDialog() { return (dialog = dialler->MainDialog(30000)) != nullptr; }
    bool Start() { return Launch(), WaitForDialog(); }

    bool Exited(DWORD timeoutMs) const { return dialler->WaitForExit(timeoutMs) != STILL_ACTIVE; }
    std::string StatusText() const { return ControlText(dialog, IDC_STATUS); }
    std::string ConnectText() const { return ControlText(dialog, IDC_CONNECT); }
    bool SwitcherStartedWithOurId() const
    {
        return HasLine(installation->StandInRecord("switcher.exe"), "args=switcher.exe " + std::to_string(dialler->Id()));
    }
    static void Screenshot(const char* name)
    {
        TakeScreenshot(std::string(TOVRIN_UI_SCREENSHOTS) + "/" + name + ".png");
    }

    // Connect, then wait for the first tick to put the dialog in the tray.
    void ConnectAndWaitForTray()
    {
        StoreCredentials();
        ASSERT_TRUE(Start());
        Click(dialog, IDC_CONNECT);
        ASSERT_TRUE(WaitUntil([&] { return tray.IconVisible(dialog, IDR_TRAY_MENU); }, 20000))
            << "status: " << StatusText();
        // The icon is shown just before the dialog leaves; the first tick
        // ends once the tooltip counts.
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 5000));
        EXPECT_TRUE(WaitUntil([&] { return tray.TipOf(dialog, IDR_TRAY_MENU).rfind("00:", 0) == 0; }, 5000));
    }

    // After an exit without the user's answer: the dialler's own line hung
    // up once, Tallyview asked to quit, switcher started once with our id
    // and the log-on entry left for it.
    void ExpectQuietExit()
    {
        ASSERT_TRUE(Exited(20000));
        for (const rasim::LogEvent& connected : installation->Log("connected")) {
            size_t hangUps = 0;
            for (const rasim::LogEvent& hangUp : installation->Log("hangup"))
                hangUps += hangUp.Get("handle") == connected.Get("handle");
            EXPECT_EQ(hangUps, 1u) << connected.Get("handle");
        }
        EXPECT_EQ(installation->StandInsRunning("Tallyview.dll"), 0u);
        EXPECT_TRUE(WaitUntil([&] { return SwitcherStartedWithOurId(); }, 10000));
        EXPECT_EQ(installation->StandInStarts("switcher.exe"), 1u);
        EXPECT_TRUE(RunOnceStartsSwitcherOf(*installation)) << Utf8(SwitcherRunOnce());
    }

    void ExpectIdleAndShown()
    {
        EXPECT_TRUE(WaitUntil([&] { return StatusText() == "Not connected"; }, 10000))
            << StatusText();
        EXPECT_EQ(ConnectText(), "&Connect");
        // The dialog comes back after the hang-up has reset the status.
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 10000));
        EXPECT_TRUE(WaitUntil([&] { return !tray.HasIcon(dialog, IDR_TRAY_MENU); }, 10000));
    }

    FakeTray tray;
    std::string savedHttpCommand;
    std::unique_ptr<Installation> installation;
    std::unique_ptr<DiallerProcess> dialler;
    HWND dialog = nullptr;
};

} // namespace

TEST_F(DiallerUiTest, EmptyCredentialsShowSettingsUntilFilledOrCancelled)
{
    Install("ui-busy.txt");
    ASSERT_TRUE(Start());
    EXPECT_EQ(StatusText(), "Not connected");
    Screenshot("main-dialog");

    Click(dialog, IDC_CONNECT);
    HWND settings = dialler->MessageBoxWithCaption("Settings", 10000);
    ASSERT_TRUE(settings);
    // Both fields stop at the 255 characters the dial parameters hold.
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, IDC_USERNAME), EM_GETLIMITTEXT, 0, 0), 255);
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, IDC_PASSWORD), EM_GETLIMITTEXT, 0, 0), 255);
    SendMessageA(GetDlgItem(settings, IDC_USERNAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("alice"));
    Screenshot("settings-dialog");

    // OK with the password empty: the dialog comes again.
    Click(settings, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }, 5000));
    settings = dialler->MessageBoxWithCaption("Settings", 10000);
    ASSERT_TRUE(settings);
    EXPECT_EQ(ControlText(GetDlgItem(settings, IDC_USERNAME)), "alice");
    EXPECT_EQ(probe::ReadText(probe::kSettingsKey, "username").value_or(""), "alice");

    // Cancel abandons the Connect.
    Click(settings, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }, 5000));
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(ConnectText(), "&Connect");
    EXPECT_EQ(StatusText(), "Not connected");
    EXPECT_EQ(installation->Count("dial"), 0u);

    // Both filled: dialling starts.
    Click(dialog, IDC_CONNECT);
    settings = dialler->MessageBoxWithCaption("Settings", 10000);
    ASSERT_TRUE(settings);
    SendMessageA(GetDlgItem(settings, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("secret"));
    Click(settings, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return installation->Count("dial") > 0; }, 10000));
    EXPECT_EQ(ConnectText(), "&Disconnect");
    EXPECT_TRUE(probe::ValueType(probe::kSettingsKey, "PasswordProtected").has_value());
    EXPECT_FALSE(probe::KeyHoldsText(probe::kSettingsKey, "secret")) << "the password is kept encrypted";

    // Closing while dialling asks nothing; switcher gets the process id.
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Exited(20000));
    EXPECT_TRUE(WaitUntil(
        [&] { return SwitcherStartedWithOurId(); },
        10000));
}

TEST_F(DiallerUiTest, ConnectedHidesInTrayCountsTimeAndDisconnectsFromMenu)
{
    StoreCredentials();
    Install("ui-connect.txt");
    InstallBrowser();
    ConnectAndWaitForTray();

    // The tooltip counts the time online.
    std::regex firstSeconds("00:00:0[1-9]");
    EXPECT_TRUE(WaitUntil(
        [&] { return std::regex_match(tray.TipOf(dialog, IDR_TRAY_MENU), firstSeconds); }, 5000))
        << tray.TipOf(dialog, IDR_TRAY_MENU);

    // Tallyview got the main dialog's handle on its command line. Wine
    // replaces a standard-input value that is no kernel handle with
    // INVALID_HANDLE_VALUE, so there only the command line carries it.
    std::string handle = std::to_string(reinterpret_cast<UINT_PTR>(dialog));
    EXPECT_TRUE(WaitUntil(
        [&] { return HasLine(installation->StandInRecord("Tallyview.dll"), "args=" + handle); },
        10000));
    auto stats = installation->StandInRecord("Tallyview.dll");
    EXPECT_TRUE(HasLine(stats, "stdin=" + handle) ||
                HasLine(stats, "stdin=" + std::to_string(reinterpret_cast<UINT_PTR>(INVALID_HANDLE_VALUE))))
        << "the standard handles were not marked as given";
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const std::string& line : installation->StandInRecord("browser.exe"))
                if (line.find(kHomePage) != std::string::npos)
                    return true;
            return false;
        },
        10000));

    // Idle while connected: the one-second watch costs next to nothing.
    ULONGLONG before = dialler->CpuMs();
    WaitUntil([] { return false; }, 10000);
    ULONGLONG used = dialler->CpuMs() - before;
    printf("CPU of the connected dialler over 10 s: %llu ms\n", used);
    RecordProperty("connected_cpu_ms_per_10s", static_cast<int>(used));
    EXPECT_LT(used, 1000u);

    // Right button on the icon: the menu; its first item disconnects.
    PostMessageA(dialog, WM_TRAY_CALLBACK, IDR_TRAY_MENU, WM_RBUTTONUP);
    WindowQuery menuQuery;
    menuQuery.className = "#32768";
    menuQuery.processId = dialler->Id();
    menuQuery.visibleOnly = true;
    HWND menu = WaitForTopLevelWindow(menuQuery, 10000);
    ASSERT_TRUE(menu);
    Screenshot("tray-menu");
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);

    EXPECT_TRUE(WaitUntil([&] { return installation->Count("hangup") > 0; }, 10000));
    ExpectIdleAndShown();
}

TEST_F(DiallerUiTest, StatsDisconnectRequestHangsUpAndBringsDialogBack)
{
    StoreCredentials();
    Install("ui-connect.txt");
    InstallBrowser();

    // Regression: a request while idle (a stale Tallyview) started dialling.
    ASSERT_TRUE(Start());
    PostMessageA(dialog, WM_STATS_DISCONNECT, 0, 0);
    WaitUntil([] { return false; }, 1500);
    EXPECT_EQ(installation->Count("dial"), 0u);
    EXPECT_EQ(ConnectText(), "&Connect");
    EXPECT_TRUE(IsWindowVisible(dialog));

    Click(dialog, IDC_CONNECT);
    ASSERT_TRUE(WaitUntil([&] { return tray.IconVisible(dialog, IDR_TRAY_MENU); }, 20000));
    PostMessageA(dialog, WM_STATS_DISCONNECT, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return installation->Count("hangup") > 0; }, 10000));
    ExpectIdleAndShown();

    // The About box names the program and its year.
    PostMessageA(dialog, WM_COMMAND, IDM_ABOUT, 0);
    HWND about = dialler->MessageBoxWithCaption("About Tovrin", 10000);
    ASSERT_TRUE(about);
    EXPECT_TRUE(std::regex_match(MessageBoxText(about), std::regex("Tovrin\n.*20[0-9][0-9] Tovrin")))
        << MessageBoxText(about);
    Click(about, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 5000));

    // A second connection starts a second Tallyview after asking the first
    // to quit (one window at a time); the second is asked to quit at exit.
    Click(dialog, IDC_CONNECT);
    ASSERT_TRUE(WaitUntil([&] { return tray.IconVisible(dialog, IDR_TRAY_MENU); }, 20000));
    Click(dialog, IDCANCEL);
    HWND box = dialler->MessageBoxWithCaption("Tovrin", 10000);
    ASSERT_TRUE(box);
    Click(box, IDOK);
    ASSERT_TRUE(Exited(20000));
    size_t started = 0, quit = 0;
    for (const std::string& line : installation->StandInRecord("Tallyview.dll")) {
        started += line.rfind("pid=", 0) == 0;
        quit += line == "quit";
    }
    EXPECT_EQ(started, 2u);
    EXPECT_EQ(quit, 2u);
    EXPECT_EQ(installation->StandInsRunning("Tallyview.dll"), 0u);
}

TEST_F(DiallerUiTest, CloseWhileConnectedAndCancelLeavesTheLineUp)
{
    StoreCredentials();
    Install("ui-connect.txt");
    InstallBrowser();
    ConnectAndWaitForTray();

    Click(dialog, IDCANCEL);
    HWND box = dialler->MessageBoxWithCaption("Tovrin", 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "Break connection?");
    Click(box, IDCANCEL);

    ASSERT_TRUE(Exited(20000));
    EXPECT_EQ(installation->Count("hangup"), 0u);
    auto stats = installation->StandInRecord("Tallyview.dll");
    EXPECT_TRUE(HasLine(stats, "quit")) << "Tallyview is asked to quit at exit";
    EXPECT_TRUE(WaitUntil(
        [&] { return SwitcherStartedWithOurId(); },
        10000));
}

TEST_F(DiallerUiTest, CloseWhileConnectedAndOkHangsUp)
{
    StoreCredentials();
    Install("ui-connect.txt");
    InstallBrowser();
    ConnectAndWaitForTray();

    Click(dialog, IDCANCEL);
    HWND box = dialler->MessageBoxWithCaption("Tovrin", 10000);
    ASSERT_TRUE(box);
    Click(box, IDOK);

    ASSERT_TRUE(Exited(20000));
    EXPECT_GT(installation->Count("hangup"), 0u);
    EXPECT_TRUE(HasLine(installation->StandInRecord("Tallyview.dll"), "quit"));
    EXPECT_TRUE(WaitUntil(
        [&] { return SwitcherStartedWithOurId(); },
        10000));
}

TEST_F(DiallerUiTest, LostLineBringsDialogBackAndHidesIcon)
{
    StoreCredentials();
    Install("ui-drop.txt");
    InstallBrowser();
    ConnectAndWaitForTray();

    ASSERT_TRUE(WaitUntil([&] { return installation->Count("drop") > 0; }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return StatusText() == "Not connected"; }, 10000));
    EXPECT_EQ(ConnectText(), "&Connect");
    EXPECT_FALSE(tray.IconVisible(dialog, IDR_TRAY_MENU));
}

TEST_F(DiallerUiTest, WithoutANotificationAreaTheConnectedDialogStaysInView)
{
    StoreCredentials();
    tray.RefuseIcons();
    Install("ui-connect.txt");
    InstallBrowser();
    ASSERT_TRUE(Start());
    Click(dialog, IDC_CONNECT);
    ASSERT_TRUE(WaitUntil([&] { return ConnectText() == "&Disconnect" && installation->Count("connected") > 0; },
                          20000));
    WaitUntil([] { return false; }, 2500);  // past the first ticks
    EXPECT_TRUE(IsWindowVisible(dialog)) << "hidden with no icon to bring it back";
    Click(dialog, IDC_CONNECT);
    EXPECT_TRUE(WaitUntil([&] { return installation->Count("hangup") > 0; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return StatusText() == "Not connected"; }, 10000)) << StatusText();
}

TEST_F(DiallerUiTest, OtherOpenConnectionIsReportedAfterCancel)
{
    Install("ui-external.txt");
    Launch();
    HWND question = dialler->MessageBoxWithCaption("Warning!", 30000);
    ASSERT_TRUE(question);
    Click(question, IDCANCEL);
    ASSERT_TRUE(WaitForDialog());
    EXPECT_EQ(StatusText(), "External connection detected: Other ISP");
    EXPECT_EQ(ConnectText(), "&Connect");
    EXPECT_EQ(installation->Count("hangup"), 0u);
}

// The end of the session is caught in every state and ends the program
// quietly: no box, the dialler's own line hung up, Tallyview stopped,
// switcher started and a log-on entry left for it in case the system ends
// switcher too. On a line whose hang-up takes 8 s the process is ended by
// force 3 s after the question, as the system does; the entry and switcher
// come first, so nothing is lost. Prints how long after the question the
// process could have been ended with nothing lost (tools/bench-session-end.sh).
class EndOfSession : public DiallerUiTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EndOfSession, ShutsDownQuietly)
{
    const std::string state = GetParam();
    DWORD forcedAfterMs = 20000;
    if (state == "idle" || state == "dialling") {
        Install(state == "dialling" ? "ui-busy.txt" : "ui-connect.txt");
        StoreCredentials();
        ASSERT_TRUE(Start());
        if (state == "dialling") {
            Click(dialog, IDC_CONNECT);
            ASSERT_TRUE(WaitUntil([&] { return installation->Count("dial") > 0; }, 20000));
        }
    } else if (state == "question") {
        // Before any window of the dialler's own exists.
        Install("ui-external.txt");
        Launch();
        ASSERT_TRUE(dialler->MessageBoxWithCaption("Warning!", 30000));
    } else {
        Install(state == "slow-hangup" ? "ui-hangup-8s.txt" : "ui-connect.txt");
        if (state == "slow-hangup")
            forcedAfterMs = 3000;
        // The hidden dialog is no top-level window: the tray's window is told.
        ConnectAndWaitForTray();
        if (state == "box") {
            Click(dialog, IDCANCEL);
            ASSERT_TRUE(dialler->MessageBoxWithCaption("Tovrin", 10000));
        }
    }
    const DWORD asked = GetTickCount();
    bool answered = false;
    std::thread system([&] { answered = EndSessionOf(dialler->Id(), dialler->Handle(), forcedAfterMs); });
    bool safe = WaitUntil([&] { return SwitcherStartedWithOurId() && RunOnceStartsSwitcherOf(*installation); },
                          forcedAfterMs, 5);
    const DWORD safeAfter = GetTickCount() - asked;
    system.join();
    printf("session-end: %s nothing-lost-after=%lu ms answered=%d after=%lu ms\n", state.c_str(),
           static_cast<unsigned long>(safeAfter), answered, static_cast<unsigned long>(GetTickCount() - asked));
    EXPECT_TRUE(safe);
    if (state != "slow-hangup") {
        EXPECT_TRUE(answered);
    }
    ExpectQuietExit();
    if (state == "question") {
        EXPECT_EQ(installation->Count("hangup"), 0u) << "the other program's line is not ours to end";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryState, EndOfSession,
                         ::testing::Values("idle", "dialling", "tray", "box", "question", "slow-hangup"));

// Regression: a session end the process survives (the Restart Manager's
// close) while Settings was open from Connect left Settings open, and its OK
// then placed a call on a program that was ending.
TEST_F(DiallerUiTest, SessionEndWithSettingsOpenEndsSettingsAndDialsNothing)
{
    Install("ui-connect.txt");
    ASSERT_TRUE(Start());
    Click(dialog, IDC_CONNECT);
    HWND settings = dialler->MessageBoxWithCaption("Settings", 10000);
    ASSERT_TRUE(settings);
    SendMessageA(GetDlgItem(settings, IDC_USERNAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("alice"));
    SendMessageA(GetDlgItem(settings, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("secret"));
    EXPECT_TRUE(EndSessionOf(dialler->Id(), dialler->Handle(), 20000, ENDSESSION_CLOSEAPP));
    if (IsWindow(settings))
        Click(settings, IDOK);
    ASSERT_TRUE(Exited(20000)) << "Settings outlived the shutdown: " << (IsWindow(settings) != FALSE);
    EXPECT_EQ(installation->Count("dial"), 0u);
    ExpectQuietExit();
}

// Regression: a failed status query counted as a lost line, so the watch
// hung up a live connection.
TEST_F(DiallerUiTest, FailingStatusQueriesLeaveALiveLineUp)
{
    Install("ui-status-fails.txt");
    ConnectAndWaitForTray();
    WaitUntil([] { return false; }, 4000);  // several ticks of the watch
    size_t failures = 0;
    for (const rasim::LogEvent& status : installation->Log("status"))
        failures += status.Get("result") != "0" && status.Get("result") != "6";
    EXPECT_GT(failures, 0u) << "the watch never met a failed query";
    EXPECT_EQ(installation->Count("hangup"), 0u);
    EXPECT_FALSE(IsWindowVisible(dialog));
}

// Closing the window that holds the dialog in the notification area
// destroys the dialog with it; the shutdown runs all the same.
TEST_F(DiallerUiTest, OutsideCloseOfTheHiddenDialogsHolderRunsTheShutdown)
{
    Install("ui-connect.txt");
    ConnectAndWaitForTray();
    WindowQuery holder;
    holder.className = "Static";
    holder.processId = dialler->Id();
    HWND window = FindTopLevelWindow(holder);
    ASSERT_TRUE(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ExpectQuietExit();
}

// Regression: Settings, About and the tray's menu opened during a hang-up
// held it for as long as they stayed open.
TEST_F(DiallerUiTest, SettingsAboutAndTrayMenuAreIgnoredWhileAHangUpIsUnderWay)
{
    Install("ui-slow-hangup.txt");
    ConnectAndWaitForTray();
    PostMessageA(dialog, WM_COMMAND, IDM_DISCONNECT, 0);
    ASSERT_TRUE(WaitUntil([&] { return installation->Count("hangup") > 0; }, 10000));
    PostMessageA(dialog, WM_COMMAND, IDC_SETTINGS, 0);
    PostMessageA(dialog, WM_COMMAND, IDM_ABOUT, 0);
    PostMessageA(dialog, WM_TRAY_CALLBACK, IDR_TRAY_MENU, WM_RBUTTONUP);
    ExpectIdleAndShown();
    EXPECT_FALSE(dialler->MessageBoxWithCaption("Settings", 0));
    EXPECT_FALSE(dialler->MessageBoxWithCaption("About Tovrin", 0));
}

// A profile folder named in another script: the narrow calls see "?" there.
TEST_F(DiallerUiTest, FromAFolderNamedOutsideTheAnsiCodePageTallyviewStartsAndAStagedFileIsInstalled)
{
    const std::string folder = "\xd0\x9f\xd1\x80\xd0\xbe\xd0\xb3\xd1\x80\xd0\xb0\xd0\xbc\xd0\xbc\xd1\x8b";  // "Программы"
    Install("ui-connect.txt", folder);
    ASSERT_TRUE(installation->AddProgram("switcher.exe"));
    auto write = [&](const char* name, const char* text) {
        FileHandle file(CreateFileW(Wide(installation->PathOf(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        return file && WriteFile(file.Get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    };
    ASSERT_TRUE(write("ReadMe.txt", "old\n") && write("ReadMe.txt.uok", "new\n"));

    ConnectAndWaitForTray();
    EXPECT_TRUE(WaitUntil([&] { return installation->StandInsRunning("Tallyview.dll") == 1; }, 10000));
    Click(dialog, IDCANCEL);
    HWND box = dialler->MessageBoxWithCaption("Tovrin", 10000);
    ASSERT_TRUE(box);
    Click(box, IDOK);
    ASSERT_TRUE(Exited(20000));
    EXPECT_TRUE(WaitUntil([&] { return ReadLines(installation->PathOf("ReadMe.txt")) ==
                                       std::vector<std::string>{"new"}; }, 20000));
    // Switcher finished: its log-on entry is gone again.
    EXPECT_TRUE(WaitUntil([&] { return SwitcherRunOnce().empty(); }, 10000)) << Utf8(SwitcherRunOnce());
}
