// The driver working a real window in another process: the probe program.
#include "Controls.h"
#include "GuiProcess.h"
#include "MessageBoxes.h"
#include "Screenshot.h"
#include "TextFiles.h"
#include "WindowSearch.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace guidriver;

namespace {

constexpr int IDC_PROBE_EDIT = 101;
constexpr int IDC_PROBE_COMBO = 102;
constexpr int IDC_PROBE_ASK = 103;
constexpr int IDC_PROBE_STATUS = 104;
constexpr int IDC_PROBE_CHECK = 105;

std::string ProgramDirectory()
{
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string path = exe;
    return path.substr(0, path.find_last_of('\\'));
}

class GuiDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        directory = std::string(temp) + "guidriver-probe";
        CreateDirectoryA(directory.c_str(), nullptr);
        logPath = directory + "\\probe.log";
        DeleteFileA(logPath.c_str());
        ASSERT_TRUE(probe.Start(ProgramDirectory() + "\\gui_driver_probe.exe", "", directory,
                                {{"PROBE_LOG", logPath}}));
        WindowQuery query;
        query.className = "GuiDriverProbe";
        query.processId = probe.Id();
        // The first window of a Wine session can take ten seconds or more.
        window = WaitForTopLevelWindow(query, 30000);
        ASSERT_NE(window, nullptr);
        ASSERT_NE(WaitForControl(window, IDC_PROBE_CHECK, 5000), nullptr);
    }

    void TearDown() override { DeleteFileA(logPath.c_str()); }

    GuiProcess probe;
    HWND window = nullptr;
    std::string directory;
    std::string logPath;
};

}  // namespace

TEST_F(GuiDriverTest, ProcessGetsItsDirectoryAndEnvironment)
{
    std::string started = WaitForLine(logPath, [](const std::string& line) { return line.rfind("started", 0) == 0; },
                                      5000);
    EXPECT_EQ(started, "started cwd=" + directory);
    EXPECT_EQ(WindowTitle(window), "Driver Probe");
    EXPECT_TRUE(probe.Running());
}

TEST_F(GuiDriverTest, ControlsAreReadAndWorked)
{
    HWND edit = FindControl(window, IDC_PROBE_EDIT);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(FindControl(window, 999), nullptr);
    ASSERT_TRUE(SetControlText(edit, "hello there"));
    EXPECT_EQ(ControlText(edit), "hello there");

    HWND combo = FindControl(window, IDC_PROBE_COMBO);
    EXPECT_EQ(ComboItems(combo), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(ComboSelection(combo), -1);
    ASSERT_TRUE(SelectComboItem(combo, "Beta"));
    EXPECT_FALSE(SelectComboItem(combo, "Delta"));
    EXPECT_EQ(ComboSelectedText(combo), "Beta");
    HWND status = FindControl(window, IDC_PROBE_STATUS);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(status) == "selected: Beta"; }, 3000));

    HWND check = FindControl(window, IDC_PROBE_CHECK);
    EXPECT_FALSE(IsChecked(check));
    ASSERT_TRUE(Click(check));
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(check); }, 3000));
    EXPECT_TRUE(IsEnabled(check));
    EXPECT_TRUE(IsVisible(window));
}

TEST_F(GuiDriverTest, MessageBoxIsFoundReadAndAnswered)
{
    SetControlText(FindControl(window, IDC_PROBE_EDIT), "dial now");
    ASSERT_TRUE(Click(FindControl(window, IDC_PROBE_ASK)));
    MessageBoxSeen seen = WaitForMessageBox("Probe Question", probe.Id(), 10000);
    ASSERT_NE(seen.box, nullptr);
    EXPECT_EQ(seen.text, "You typed: dial now");
    EXPECT_FALSE(PressMessageBoxButton(seen.box, IDYES));  // no such button

    ASSERT_TRUE(PressMessageBoxButton(seen.box, IDOK));
    ASSERT_TRUE(probe.WaitForExit(10000));
    EXPECT_EQ(probe.ExitCode(), 10u);
    EXPECT_EQ(WaitForLine(logPath, [](const std::string& line) { return line.rfind("answer", 0) == 0; }, 3000),
              "answer ok");
}

TEST_F(GuiDriverTest, AnswerMessageBoxPressesCancel)
{
    ASSERT_TRUE(Click(FindControl(window, IDC_PROBE_ASK)));
    MessageBoxSeen seen = AnswerMessageBox("Probe Question", probe.Id(), IDCANCEL, 10000);
    ASSERT_NE(seen.box, nullptr);
    EXPECT_EQ(seen.text, "You typed: ");
    ASSERT_TRUE(probe.WaitForExit(10000));
    EXPECT_EQ(probe.ExitCode(), 20u);
    // A caption nobody shows is not found.
    EXPECT_EQ(WaitForMessageBox("Nobody", 0, 200).box, nullptr);
}

TEST_F(GuiDriverTest, LeftoverProcessIsEndedWithItsOwner)
{
    DWORD id = probe.Id();
    probe.Terminate();
    WindowQuery query;
    query.className = "GuiDriverProbe";
    query.processId = id;
    EXPECT_TRUE(WaitForWindowGone(query, 5000));
    EXPECT_FALSE(probe.Running());
}

TEST_F(GuiDriverTest, ScreenshotOfTheDisplayIsSaved)
{
    char path[64];
    std::snprintf(path, sizeof path, "/tmp/guidriver-%lu.png", GetCurrentProcessId());
    ASSERT_TRUE(TakeScreenshot(path));
    std::string windowsPath = std::string("Z:") + path;
    for (char& c : windowsPath)
        if (c == '/')
            c = '\\';
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(windowsPath.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 100u);  // more than an empty image's header
    DeleteFileA(windowsPath.c_str());
    EXPECT_FALSE(TakeScreenshot("relative.png"));
}
