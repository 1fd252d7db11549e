// The shipped programs together under Wine: the dialler with the simulated
// modem and the provider stand-in starts the real statistics window when
// connected, obeys its Disconnect, stops it at exit and leaves the update the
// download thread fetched for the real switcher to swap in.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Controls.h"
#include "DiallerInstallation.h"
#include "FixtureFiles.h"
#include "MessageBoxes.h"
#include "ProviderControl.h"
#include "RasimLogReader.h"
#include "RegistryProbe.h"
#include "TextFiles.h"
#include "Screenshot.h"
#include "ShippedProgramsTest.h"
#include "WindowSearch.h"
#include "dialler/res/resource.h"
#include "stats/res/resource.h"
#include "utils/ScopedHandle.h"

using guidriver::WaitUntil;

namespace {

const char kStatsTitle[] = "Ann's stats";
const char kUpdatedFile[] = "ReadMe.txt";
const char kOldContent[] = "ReadMe 1.0.0\r\n";
const char kNewContent[] = "ReadMe 1.0.1: the provider's new notes\r\n";
const char kHttpCommandKey[] = "http\\shell\\open\\command";

// Two devices; the first number is busy, every later one connects.
const char kScenario[] =
    "device type=modem name=\"Standard 56000 bps Modem\"\n"
    "device type=isdn name=\"ISDN Adapter Channel 1\"\n"
    "hangup ms=400\n"
    "dial states=0,1,2 step=300 result=676\n"
    "default states=0,1,2,3,4,5,14 step=200 result=connect\n";

// One running copy of the statistics program, found by its window.
struct StatsCopy {
    HWND window = nullptr;
    DWORD id = 0;
    KernelHandle process;

    bool Exited(DWORD timeoutMs) const { return WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process.Get(), &code);
        return code;
    }
    std::string Field(int id) const { return guidriver::ControlText(GetDlgItem(window, id)); }
};

struct StatsSearch {
    DWORD diallerId;
    const std::set<DWORD>* known;
    HWND found;
};

// A visible dialog with the Disconnect button, of a process not seen before.
BOOL CALLBACK MatchStatsWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<StatsSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->diallerId || search->known->count(owner) || !IsWindowVisible(window) ||
        guidriver::WindowClass(window) != "#32770")
        return TRUE;
    HWND button = GetDlgItem(window, IDC_DISCONNECT);
    if (!button || guidriver::ControlText(button) != "Disconnect")
        return TRUE;
    search->found = window;
    return FALSE;
}

class IntegrationTest : public ShippedProgramsTest {
protected:
    IntegrationTest() : ShippedProgramsTest(kScenario) {}

    void SetUp() override
    {
        ShippedProgramsTest::SetUp();
        if (HasFatalFailure())
            return;
        DeleteFileW(guidriver::Wide(guidriver::ConnectionLogPath()).c_str());
        // Records what the shell hands it, so no real browser starts.
        ASSERT_TRUE(installation->AddStandIn("browser.exe"));
        std::ofstream(File(kUpdatedFile), std::ios::binary) << kOldContent;

        // The installer's portal and banner pages, on the provider stand-in.
        const std::string url = provider::BaseUrl();
        probe::WriteText(probe::kSettingsKey, "HomePage", url + "/portal/");
        probe::WriteText(probe::kSettingsKey, "BannerURL", url + "/customer/banner.html");
        savedHttpCommand = probe::ReadClassesRoot(kHttpCommandKey);
        probe::WriteClassesRoot(kHttpCommandKey, "\"" + File("browser.exe") + "\" \"%1\"");

        provider::ServeFile("files/ReadMe.txt", kNewContent);
        ASSERT_TRUE(provider::SetAnswer(
            "update", "<?xml version=\"1.0\"?>\n<config>\n  <entity name=\"documents\">\n"
                      "    <file name=\"ReadMe.txt\" url=\"" + provider::FileUrl("files/ReadMe.txt") +
                      "\" version=\"1.0.1\" size=\"" + std::to_string(sizeof(kNewContent) - 1) +
                      "\" compressed=\"no\"/>\n  </entity>\n</config>\n"));
        ASSERT_TRUE(provider::SetAnswer("userstat", "<?xml version=\"1.0\"?>\n<stats>\n"
                                                    "  <data-update name=\"USERNAME\" value=\"Ann\"/>\n"
                                                    "  <data-update name=\"USEDTIME\" value=\"5400\"/>\n"
                                                    "  <data-update name=\"ALLOWEDTIME\" value=\"36000\"/>\n"
                                                    "  <data-update name=\"REMAININGTIME\" value=\"30600\"/>\n"
                                                    "</stats>\n"));
    }

    void TearDown() override
    {
        if (dialler)
            dialler->Terminate();
        for (const auto& copy : stats)
            if (!copy->Exited(0))
                TerminateProcess(copy->process.Get(), 1);
        probe::WriteClassesRoot(kHttpCommandKey, savedHttpCommand);
        ShippedProgramsTest::TearDown();
    }

    // The window of a statistics copy started since the last call; the
    // process is opened at once, so its exit code can be read later.
    StatsCopy* WaitForNewStatsWindow()
    {
        std::set<DWORD> known;
        for (const auto& copy : stats)
            known.insert(copy->id);
        StatsSearch search{dialler->Id(), &known, nullptr};
        // Without a page engine the window takes a few seconds under Wine.
        if (!WaitUntil([&] { return EnumWindows(MatchStatsWindow, reinterpret_cast<LPARAM>(&search)), search.found; },
                       30000))
            return nullptr;
        auto copy = std::make_unique<StatsCopy>();
        copy->window = search.found;
        GetWindowThreadProcessId(search.found, &copy->id);
        copy->process.Reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                        copy->id));
        stats.push_back(std::move(copy));
        return stats.back().get();
    }

    bool ShowsIdle() const
    {
        return IsWindowVisible(dialog) && Status() == "Not connected" &&
               guidriver::ControlText(GetDlgItem(dialog, IDC_CONNECT)) == "&Connect";
    }

    size_t RasEvents(const char* name) const
    {
        return installation->Count(name);
    }
    // Whether the n-th connection that came up was hung up successfully.
    bool HungUp(size_t connection) const
    {
        const auto log = installation->Log();
        const auto connected = rasim::EventsNamed(log, "connected");
        if (connected.size() <= connection)
            return false;
        for (const rasim::LogEvent& hangup : rasim::EventsNamed(log, "hangup"))
            if (hangup.Get("handle") == connected[connection].Get("handle") && hangup.Get("result") == "0")
                return true;
        return false;
    }
    static size_t Requests(const std::string& path, const std::string& query)
    {
        size_t count = 0;
        for (const provider::LoggedRequest& request : provider::Log())
            count += (path.empty() || request.path == path) && request.query.find(query) != std::string::npos;
        return count;
    }
    static void Screenshot(const char* name)
    {
        CreateDirectoryA(WinePath(TOVRIN_SCREENSHOT_DIR).c_str(), nullptr);
        guidriver::TakeScreenshot(std::string(TOVRIN_SCREENSHOT_DIR) + "/" + name + ".png");
    }

    std::string savedHttpCommand;
    std::vector<std::unique_ptr<StatsCopy>> stats;
};

TEST_F(IntegrationTest, StatsWindowShowsFiguresAndItsDisconnectHangsUp)
{
    StartDialler();
    Connect();
    EXPECT_EQ(RasEvents("dial"), 2u) << "the busy first number is followed by the next";

    StatsCopy* window = WaitForNewStatsWindow();
    ASSERT_NE(window, nullptr) << "no statistics window while connected";
    EXPECT_TRUE(WaitUntil([&] { return guidriver::WindowTitle(window->window) == kStatsTitle; }, 20000))
        << "title: " << guidriver::WindowTitle(window->window);
    EXPECT_EQ(window->Field(IDC_USED_TIME), "1 hr 30 mins");
    EXPECT_EQ(window->Field(IDC_ALLOWED_TIME), "10 hrs 0 mins");
    EXPECT_EQ(window->Field(IDC_REMAINING_TIME), "8 hrs 30 mins");
    EXPECT_GE(Requests("/customer/dialler_update.asp", std::string("action=userstat&user=") + kUser), 1u);
    // The home page went to the registered browser, not to a real one.
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadWhole(File("browser.exe.record")).find(provider::BaseUrl() + "/portal/") != std::string::npos; },
        10000));
    RECT work = {}, frame = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    WaitUntil([&] { return GetWindowRect(window->window, &frame) && frame.bottom == work.bottom; }, 10000);
    Screenshot("integration-stats-window");

    ASSERT_TRUE(guidriver::Click(GetDlgItem(window->window, IDC_DISCONNECT)));
    ASSERT_TRUE(window->Exited(15000)) << "the statistics window stayed after Disconnect";
    EXPECT_EQ(window->ExitCode(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return HungUp(0); }, 10000)) << "the dialler did not hang up";
    EXPECT_TRUE(WaitUntil([&] { return ShowsIdle(); }, 10000)) << "status: " << Status();

    // Idle, it closes without a question.
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialler->WaitForExit(20000) != STILL_ACTIVE);
}

TEST_F(IntegrationTest, ExitAfterSecondConnectionStopsStatsAndSwitcherInstallsUpdate)
{
    StartDialler();
    Connect();
    ASSERT_NE(WaitForNewStatsWindow(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ReadWhole(File("ReadMe.txt.uok")) == kNewContent; }, 20000))
        << "the download thread staged nothing";
    EXPECT_EQ(probe::ReadText(probe::kVersionKey, kUpdatedFile).value_or("<none>"), "1.0.1");

    // The tray menu's Disconnect, then a second connection.
    PostMessageA(dialog, WM_COMMAND, IDM_DISCONNECT, 0);
    ASSERT_TRUE(WaitUntil([&] { return ShowsIdle(); }, 10000)) << "status: " << Status();
    EXPECT_TRUE(HungUp(0));
    Connect();
    StatsCopy* second = WaitForNewStatsWindow();
    ASSERT_NE(second, nullptr) << "no statistics window for the second connection";
    ASSERT_TRUE(WaitUntil([&] { return Requests("", "action=update") == 2; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return guidriver::WindowTitle(second->window) == kStatsTitle; }, 20000));

    PostMessageA(dialog, WM_CLOSE, 0, 0);
    guidriver::MessageBoxSeen question = guidriver::AnswerMessageBox("Tovrin", dialler->Id(), IDOK, 10000);
    EXPECT_EQ(question.text, "Break connection?");
    ASSERT_TRUE(dialler->WaitForExit(20000) != STILL_ACTIVE) << "the dialler did not exit";
    EXPECT_TRUE(HungUp(1));
    // Regression: the connection watch ran during the exit's hang-up, found
    // the line gone and hung up the released handle a second time.
    size_t unknownHandles = 0;
    for (const rasim::LogEvent& hangup : rasim::EventsNamed(installation->Log(), "hangup"))
        unknownHandles += hangup.Get("result") != "0";
    EXPECT_EQ(unknownHandles, 0u) << "a released connection was hung up again";
    EXPECT_TRUE(second->Exited(5000)) << "the statistics window outlived the dialler";

    // Once the dialler has gone, switcher puts the staged file in place.
    ASSERT_TRUE(WaitUntil([&] { return GetFileAttributesA(File("ReadMe.txt.uok").c_str()) == INVALID_FILE_ATTRIBUTES; },
                          25000))
        << "switcher did not install the staged file";
    // The rename's own handle on the file may still be open for a moment,
    // and it refuses a reader that does not share deletion.
    EXPECT_TRUE(WaitUntil([&] { return ReadWhole(File(kUpdatedFile)) == kNewContent; }, 5000))
        << ReadWhole(File(kUpdatedFile));
    EXPECT_EQ(GetFileAttributesA(File("_eadMe.txt").c_str()), INVALID_FILE_ATTRIBUTES) << "backup left behind";
    EXPECT_EQ(probe::ReadText(probe::kVersionKey, kUpdatedFile).value_or("<none>"), "1.0.1");
    // The recorded version kept the second connection from fetching it again.
    EXPECT_EQ(Requests("/files/ReadMe.txt", ""), 1u);

    // What a support desk would read of it, in order, and never the password.
    const std::vector<std::string> log = guidriver::ReadLines(guidriver::ConnectionLogPath());
    EXPECT_EQ(guidriver::MissingInOrder(
                  log, {"Tovrin.exe[", "connect: device \"ISDN Adapter Channel 1\", freephone numbers, user ... (3)",
                        "dial: attempt on", "dial: error 676", "connected", "refresh: answer of", "update: ReadMe.txt 1.0.1 offered",
                        "update: ReadMe.txt 1.0.1 as plain, " + std::to_string(sizeof kNewContent - 1) +
                            " bytes: fetched and checked",
                        "hang-up", "connected", "hang-up",
                        "] exit", "switcher.exe[", "installed 1 staged file"}),
              "");
    for (const std::string& line : log)
        EXPECT_EQ(line.find("secret"), std::string::npos) << line;
}

} // namespace
