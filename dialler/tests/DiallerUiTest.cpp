// The real Tovrin.exe under Wine with the simulated remote-access service:
// the main and Settings dialogs, the tray, Tallyview's disconnect request,
// closing, and the companion programs.
#include "DiallerDriver.h"
#include "FakeTray.h"
#include "RegistryProbe.h"
#include "dialler/DiallerContext.h"
#include "dialler/res/resource.h"
#include "utils/ScopedHandle.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using driver::DiallerRun;

namespace {

const char kHomePage[] = "http://127.0.0.1:9/home";
const char kHttpCommandKey[] = "http\\shell\\open\\command";
const char kWineX11Key[] = "Software\\Wine\\X11 Driver";
const char kDiallerAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\Tovrin.exe";
const char kDiallerOverridesKey[] = "Software\\Wine\\AppDefaults\\Tovrin.exe\\DllOverrides";

std::string ReadClassesRoot(const char* key)
{
    char value[1024] = "";
    LONG size = sizeof(value);
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, value, &size) != ERROR_SUCCESS)
        return "";
    return value;
}

void WriteClassesRoot(const char* key, const std::string& value)
{
    RegSetValueA(HKEY_CLASSES_ROOT, key, REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted)
{
    for (const std::string& line : lines)
        if (line == wanted)
            return true;
    return false;
}

ULONGLONG CpuMilliseconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(kernel) + ticks(user)) / 10000;
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
        savedHttpCommand = ReadClassesRoot(kHttpCommandKey);
        // The simulated remote-access service beside the program, for the
        // dialler alone.
        RegistryKey overrides;
        RegCreateKeyExA(HKEY_CURRENT_USER, kDiallerOverridesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        overrides.Receive(), nullptr);
        RegSetValueExA(overrides.Get(), "rasapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
    }

    void TearDown() override
    {
        WriteClassesRoot(kHttpCommandKey, savedHttpCommand);
        RegDeleteTreeA(HKEY_CURRENT_USER, kDiallerAppDefaultsKey);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kWineX11Key, "Decorated");
        probe::ClearTovrinKey();
    }

    void StoreCredentials()
    {
        probe::WriteText(probe::kSettingsKey, "username", "alice");
        probe::WriteText(probe::kSettingsKey, "password", "secret");
    }

    // The browser stand-in records the URL the shell hands it.
    void InstallBrowser(DiallerRun& run)
    {
        std::string browser = run.FolderFile("browser.exe");
        CopyFileA(run.FolderFile("switcher.exe").c_str(), browser.c_str(), FALSE);
        WriteClassesRoot(kHttpCommandKey, "\"" + browser + "\" \"%1\"");
    }

    // Connect, then wait for the first tick to put the dialog in the tray.
    void ConnectAndWaitForTray(DiallerRun& run)
    {
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitForDialog());
        driver::Click(run.Dialog(), IDC_CONNECT);
        ASSERT_TRUE(driver::WaitUntil([&] { return tray.IconVisible(run.Dialog(), IDR_TRAY_MENU); }, 20000))
            << "status: " << run.StatusText();
        EXPECT_FALSE(IsWindowVisible(run.Dialog()));
    }

    void ExpectIdleAndShown(DiallerRun& run)
    {
        EXPECT_TRUE(driver::WaitUntil([&] { return run.StatusText() == "Not connected"; }, 10000))
            << run.StatusText();
        EXPECT_EQ(run.ConnectText(), "&Connect");
        // The dialog comes back after the hang-up has reset the status.
        EXPECT_TRUE(driver::WaitUntil([&] { return IsWindowVisible(run.Dialog()) != FALSE; }, 10000));
        EXPECT_TRUE(driver::WaitUntil([&] { return !tray.HasIcon(run.Dialog(), IDR_TRAY_MENU); }, 10000));
    }

    FakeTray tray;
    std::string savedHttpCommand;
};

} // namespace

TEST_F(DiallerUiTest, EmptyCredentialsShowSettingsUntilFilledOrCancelled)
{
    DiallerRun run("settings", "ui-busy.txt");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForDialog());
    EXPECT_EQ(run.StatusText(), "Not connected");
    driver::Screenshot("main-dialog");

    driver::Click(run.Dialog(), IDC_CONNECT);
    HWND settings = driver::WaitForTopWindow(run.ProcessId(), "#32770", "Settings", 10000);
    ASSERT_TRUE(settings);
    // Both fields stop at the 255 characters the dial parameters hold.
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, IDC_USERNAME), EM_GETLIMITTEXT, 0, 0), 255);
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, IDC_PASSWORD), EM_GETLIMITTEXT, 0, 0), 255);
    SendMessageA(GetDlgItem(settings, IDC_USERNAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("alice"));
    driver::Screenshot("settings-dialog");

    // OK with the password empty: the dialog comes again.
    driver::Click(settings, IDOK);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(settings); }, 5000));
    settings = driver::WaitForTopWindow(run.ProcessId(), "#32770", "Settings", 10000);
    ASSERT_TRUE(settings);
    EXPECT_EQ(driver::TextOf(GetDlgItem(settings, IDC_USERNAME)), "alice");
    EXPECT_EQ(probe::ReadText(probe::kSettingsKey, "username").value_or(""), "alice");

    // Cancel abandons the Connect.
    driver::Click(settings, IDCANCEL);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(settings); }, 5000));
    driver::WaitUntil([] { return false; }, 500);
    EXPECT_EQ(run.ConnectText(), "&Connect");
    EXPECT_EQ(run.StatusText(), "Not connected");
    EXPECT_EQ(run.CountRasEvents("dial"), 0u);

    // Both filled: dialling starts.
    driver::Click(run.Dialog(), IDC_CONNECT);
    settings = driver::WaitForTopWindow(run.ProcessId(), "#32770", "Settings", 10000);
    ASSERT_TRUE(settings);
    SendMessageA(GetDlgItem(settings, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("secret"));
    driver::Click(settings, IDOK);
    EXPECT_TRUE(driver::WaitUntil([&] { return run.CountRasEvents("dial") > 0; }, 10000));
    EXPECT_EQ(run.ConnectText(), "&Disconnect");
    EXPECT_EQ(probe::ReadText(probe::kSettingsKey, "password").value_or(""), "secret");

    // Closing while dialling asks nothing; switcher gets the process id.
    driver::Click(run.Dialog(), IDCANCEL);
    ASSERT_TRUE(run.WaitForExit(20000));
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return HasLine(driver::ReadLines(run.FolderFile("switcher.exe.record")),
                             "args=switcher.exe " + std::to_string(run.ProcessId())); },
        10000));
}

TEST_F(DiallerUiTest, ConnectedHidesInTrayCountsTimeAndDisconnectsFromMenu)
{
    StoreCredentials();
    DiallerRun run("connected", "ui-connect.txt");
    InstallBrowser(run);
    ConnectAndWaitForTray(run);

    // The tooltip counts the time online.
    std::regex firstSeconds("00:00:0[1-9]");
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return std::regex_match(tray.TipOf(run.Dialog(), IDR_TRAY_MENU), firstSeconds); }, 5000))
        << tray.TipOf(run.Dialog(), IDR_TRAY_MENU);

    // Tallyview got the main dialog's handle on its command line. Wine
    // replaces a standard-input value that is no kernel handle with
    // INVALID_HANDLE_VALUE, so there only the command line carries it.
    std::string handle = std::to_string(reinterpret_cast<UINT_PTR>(run.Dialog()));
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return HasLine(driver::ReadLines(run.FolderFile("Tallyview.dll.record")), "args=" + handle); },
        10000));
    auto stats = driver::ReadLines(run.FolderFile("Tallyview.dll.record"));
    EXPECT_TRUE(HasLine(stats, "stdin=" + handle) ||
                HasLine(stats, "stdin=" + std::to_string(reinterpret_cast<UINT_PTR>(INVALID_HANDLE_VALUE))))
        << "the standard handles were not marked as given";
    EXPECT_TRUE(driver::WaitUntil(
        [&] {
            for (const std::string& line : driver::ReadLines(run.FolderFile("browser.exe.record")))
                if (line.find(kHomePage) != std::string::npos)
                    return true;
            return false;
        },
        10000));

    // Idle while connected: the one-second watch costs next to nothing.
    ULONGLONG before = CpuMilliseconds(run.Process());
    driver::WaitUntil([] { return false; }, 10000);
    ULONGLONG used = CpuMilliseconds(run.Process()) - before;
    printf("CPU of the connected dialler over 10 s: %llu ms\n", used);
    RecordProperty("connected_cpu_ms_per_10s", static_cast<int>(used));
    EXPECT_LT(used, 1000u);

    // Right button on the icon: the menu; its first item disconnects.
    PostMessageA(run.Dialog(), WM_TRAY_CALLBACK, IDR_TRAY_MENU, WM_RBUTTONUP);
    HWND menu = driver::WaitForTopWindow(run.ProcessId(), "#32768", nullptr, 10000);
    ASSERT_TRUE(menu);
    driver::Screenshot("tray-menu");
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);

    EXPECT_TRUE(driver::WaitUntil([&] { return run.CountRasEvents("hangup") > 0; }, 10000));
    ExpectIdleAndShown(run);
}

TEST_F(DiallerUiTest, StatsDisconnectRequestHangsUpAndBringsDialogBack)
{
    StoreCredentials();
    DiallerRun run("stats-disconnect", "ui-connect.txt");
    InstallBrowser(run);

    // Regression: a request while idle (a stale Tallyview) started dialling.
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForDialog());
    PostMessageA(run.Dialog(), WM_STATS_DISCONNECT, 0, 0);
    driver::WaitUntil([] { return false; }, 1500);
    EXPECT_EQ(run.CountRasEvents("dial"), 0u);
    EXPECT_EQ(run.ConnectText(), "&Connect");
    EXPECT_TRUE(IsWindowVisible(run.Dialog()));

    driver::Click(run.Dialog(), IDC_CONNECT);
    ASSERT_TRUE(driver::WaitUntil([&] { return tray.IconVisible(run.Dialog(), IDR_TRAY_MENU); }, 20000));
    PostMessageA(run.Dialog(), WM_STATS_DISCONNECT, 0, 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return run.CountRasEvents("hangup") > 0; }, 10000));
    ExpectIdleAndShown(run);

    // The About box names the program and its year.
    PostMessageA(run.Dialog(), WM_COMMAND, IDM_ABOUT, 0);
    HWND about = driver::WaitForTopWindow(run.ProcessId(), "#32770", "About Tovrin", 10000);
    ASSERT_TRUE(about);
    EXPECT_TRUE(std::regex_match(driver::MessageBoxText(about), std::regex("Tovrin\n.*20[0-9][0-9] Tovrin")))
        << driver::MessageBoxText(about);
    driver::Click(about, IDOK);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(about); }, 5000));

    // A second connection starts a second Tallyview; only that one is
    // asked to quit at exit.
    driver::Click(run.Dialog(), IDC_CONNECT);
    ASSERT_TRUE(driver::WaitUntil([&] { return tray.IconVisible(run.Dialog(), IDR_TRAY_MENU); }, 20000));
    driver::Click(run.Dialog(), IDCANCEL);
    HWND box = driver::WaitForTopWindow(run.ProcessId(), "#32770", "Tovrin", 10000);
    ASSERT_TRUE(box);
    driver::Click(box, IDOK);
    ASSERT_TRUE(run.WaitForExit(20000));
    size_t started = 0, quit = 0;
    for (const std::string& line : driver::ReadLines(run.FolderFile("Tallyview.dll.record"))) {
        started += line.rfind("pid=", 0) == 0;
        quit += line == "quit";
    }
    EXPECT_EQ(started, 2u);
    EXPECT_EQ(quit, 1u);
}

TEST_F(DiallerUiTest, CloseWhileConnectedAndCancelLeavesTheLineUp)
{
    StoreCredentials();
    DiallerRun run("close-cancel", "ui-connect.txt");
    InstallBrowser(run);
    ConnectAndWaitForTray(run);

    driver::Click(run.Dialog(), IDCANCEL);
    HWND box = driver::WaitForTopWindow(run.ProcessId(), "#32770", "Tovrin", 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(driver::MessageBoxText(box), "Break connection?");
    driver::Click(box, IDCANCEL);

    ASSERT_TRUE(run.WaitForExit(20000));
    EXPECT_EQ(run.CountRasEvents("hangup"), 0u);
    auto stats = driver::ReadLines(run.FolderFile("Tallyview.dll.record"));
    EXPECT_TRUE(HasLine(stats, "quit")) << "Tallyview is asked to quit at exit";
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return HasLine(driver::ReadLines(run.FolderFile("switcher.exe.record")),
                             "args=switcher.exe " + std::to_string(run.ProcessId())); },
        10000));
}

TEST_F(DiallerUiTest, CloseWhileConnectedAndOkHangsUp)
{
    StoreCredentials();
    DiallerRun run("close-ok", "ui-connect.txt");
    InstallBrowser(run);
    ConnectAndWaitForTray(run);

    driver::Click(run.Dialog(), IDCANCEL);
    HWND box = driver::WaitForTopWindow(run.ProcessId(), "#32770", "Tovrin", 10000);
    ASSERT_TRUE(box);
    driver::Click(box, IDOK);

    ASSERT_TRUE(run.WaitForExit(20000));
    EXPECT_GT(run.CountRasEvents("hangup"), 0u);
    EXPECT_TRUE(HasLine(driver::ReadLines(run.FolderFile("Tallyview.dll.record")), "quit"));
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return HasLine(driver::ReadLines(run.FolderFile("switcher.exe.record")),
                             "args=switcher.exe " + std::to_string(run.ProcessId())); },
        10000));
}

TEST_F(DiallerUiTest, LostLineBringsDialogBackAndHidesIcon)
{
    StoreCredentials();
    DiallerRun run("line-drop", "ui-drop.txt");
    InstallBrowser(run);
    ConnectAndWaitForTray(run);

    ASSERT_TRUE(driver::WaitUntil([&] { return run.CountRasEvents("drop") > 0; }, 20000));
    EXPECT_TRUE(driver::WaitUntil([&] { return IsWindowVisible(run.Dialog()) != FALSE; }, 10000));
    EXPECT_TRUE(driver::WaitUntil([&] { return run.StatusText() == "Not connected"; }, 10000));
    EXPECT_EQ(run.ConnectText(), "&Connect");
    EXPECT_FALSE(tray.IconVisible(run.Dialog(), IDR_TRAY_MENU));
}

TEST_F(DiallerUiTest, OtherOpenConnectionIsReportedAfterCancel)
{
    DiallerRun run("external", "ui-external.txt");
    ASSERT_TRUE(run.Start());
    HWND question = driver::WaitForTopWindow(run.ProcessId(), "#32770", "Warning!", 30000);
    ASSERT_TRUE(question);
    driver::Click(question, IDCANCEL);
    ASSERT_TRUE(run.WaitForDialog());
    EXPECT_EQ(run.StatusText(), "External connection detected: Other ISP");
    EXPECT_EQ(run.ConnectText(), "&Connect");
    EXPECT_EQ(run.CountRasEvents("hangup"), 0u);
}
