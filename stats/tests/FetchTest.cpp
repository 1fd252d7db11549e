// The usage figures as the provider sends them: what the window shows, the
// provider's message box, failures, and how often the server is asked.
#include "ProviderAnswers.h"
#include "ScreenCapture.h"
#include "TallyviewFixture.h"
#include "stats/StatsMessages.h"
#include "stats/res/resource.h"

namespace stats_test {
namespace {

using StatisticsFetch = TallyviewTest;

std::string ExampleAnswer(const char* message)
{
    return UserstatDocument({{"USERNAME", "Ann"},
                             {"USEDTIME", "5400"},
                             {"ALLOWEDTIME", "36000"},
                             {"REMAININGTIME", "30600"},
                             {"USERMESSAGE", message}});
}

void SaveAtRestScreenshot(StandInDialler& dialler, HWND window)
{
    RECT work = {}, frame = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    for (int i = 0; i < 300 && (GetWindowRect(window, &frame), frame.bottom != work.bottom); ++i)
        dialler.Pump(20);
    const std::string folder = ScreenshotFolder();
    RECT corner = {work.right / 2, work.bottom / 2, work.right, work.bottom};
    if (!folder.empty()) {
        EXPECT_TRUE(SaveScreenPng(corner, folder + "\\tallyview-at-rest.png"));
    }
}

TEST_F(StatisticsFetch, ExampleAnswerShowsTheMessageFirstThenTheFigures)
{
    ASSERT_TRUE(SetUserstatAnswer(ExampleAnswer("Your bill is ready")));
    ASSERT_NE(StartTallyview(), nullptr);
    HWND box = WaitForMessageBox(kEventWait);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Your bill is ready");
    // The last property comes off the stack first: nothing else is shown yet,
    // and the window waits disabled behind the box.
    EXPECT_EQ(Field(IDC_USED_TIME), "");
    EXPECT_EQ(Field(IDC_REMAINING_TIME), "");
    EXPECT_EQ(WindowTitle(statsWindow), "");
    EXPECT_FALSE(IsWindowEnabled(statsWindow));
    PressOk(box);

    EXPECT_TRUE(WaitForWindowTitle(statsWindow, "Ann's stats", kEventWait));
    EXPECT_EQ(Field(IDC_REMAINING_TIME), "8 hrs 30 mins");
    EXPECT_EQ(Field(IDC_ALLOWED_TIME), "10 hrs 0 mins");
    EXPECT_EQ(Field(IDC_USED_TIME), "1 hr 30 mins");
    EXPECT_TRUE(IsWindowEnabled(statsWindow));
    // The request carried the stored user name and the "userstat" action.
    EXPECT_EQ(CountUserstatRequests(), 1);
    SaveAtRestScreenshot(dialler, statsWindow);
}

TEST_F(StatisticsFetch, AnswerWithOnlyUsedTimeLeavesTheOtherFieldsAndTitle)
{
    SetInterval(1);
    ASSERT_TRUE(SetUserstatAnswer(ExampleAnswer("")));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForWindowTitle(statsWindow, "Ann's stats", kEventWait));
    // Names in any case.
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"usedTime", "60"}, {"Colour", "red"}})));
    EXPECT_TRUE(WaitForControlText(statsWindow, IDC_USED_TIME, "0 hrs 1 min", kEventWait));
    EXPECT_EQ(Field(IDC_ALLOWED_TIME), "10 hrs 0 mins");
    EXPECT_EQ(Field(IDC_REMAINING_TIME), "8 hrs 30 mins");
    EXPECT_EQ(WindowTitle(statsWindow), "Ann's stats");
}

TEST_F(StatisticsFetch, FailedFetchShowsNotAvailableAndADefaultTitle)
{
    // No answer is set: the server says 404.
    ASSERT_NE(StartTallyview(), nullptr);
    EXPECT_TRUE(WaitForControlText(statsWindow, IDC_USED_TIME, "N.A.", kEventWait));
    EXPECT_EQ(Field(IDC_ALLOWED_TIME), "N.A.");
    EXPECT_EQ(Field(IDC_REMAINING_TIME), "N.A.");
    EXPECT_EQ(WindowTitle(statsWindow), "User stats");
}

TEST_F(StatisticsFetch, LaterFailureKeepsTheTitleOfTheLastSuccess)
{
    SetInterval(1);
    ASSERT_TRUE(SetUserstatAnswer(ExampleAnswer("")));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForWindowTitle(statsWindow, "Ann's stats", kEventWait));
    ASSERT_TRUE(ResetProvider());
    EXPECT_TRUE(WaitForControlText(statsWindow, IDC_REMAINING_TIME, "N.A.", kEventWait));
    EXPECT_EQ(Field(IDC_USED_TIME), "N.A.");
    EXPECT_EQ(WindowTitle(statsWindow), "Ann's stats");
}

TEST_F(StatisticsFetch, SameMessageRaisesOneBoxAndAChangedOneAnother)
{
    SetInterval(1);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USERMESSAGE", "Maintenance tonight"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    HWND box = WaitForMessageBox(kEventWait);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Maintenance tonight");
    PressOk(box);

    // Further fetches with the same text: no box.
    const DWORD start = GetTickCount();
    while (CountUserstatRequests() < 3 && GetTickCount() - start < kEventWait) {
        EXPECT_EQ(WaitForMessageBox(100), nullptr);
    }
    EXPECT_GE(CountUserstatRequests(), 3);

    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USERMESSAGE", "Maintenance done"}})));
    box = WaitForMessageBox(kEventWait);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Maintenance done");
    PressOk(box);
}

TEST_F(StatisticsFetch, EmptyMessageAfterARememberedOneRaisesAnEmptyBox)
{
    SetInterval(1);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USERMESSAGE", "Hello"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    HWND box = WaitForMessageBox(kEventWait);
    ASSERT_NE(box, nullptr);
    PressOk(box);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USERMESSAGE", ""}})));
    box = WaitForMessageBox(kEventWait);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "");
    PressOk(box);
}

TEST_F(StatisticsFetch, IntervalThirtyAsksAtStartThenAfterThirtySeconds)
{
    SetInterval(30);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForControlText(statsWindow, IDC_USED_TIME, "0 hrs 1 min", kEventWait));
    dialler.Pump(25000);
    EXPECT_EQ(CountUserstatRequests(), 1);
    const DWORD start = GetTickCount();
    while (CountUserstatRequests() < 2 && GetTickCount() - start < 20000)
        dialler.Pump(200);
    EXPECT_EQ(CountUserstatRequests(), 2);
}

TEST_F(StatisticsFetch, LateCompletionOfAnEarlierFetchDoesNotLetASecondOneStart)
{
    SetInterval(1);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}}), 2500));
    ASSERT_NE(StartTallyview(), nullptr);
    // Completions that belong to no running fetch arrive all the while.
    for (int i = 0; i < 30; ++i) {
        PostMessageA(statsWindow, WM_STATS_FETCH_DONE, 0, 0);
        dialler.Pump(250);
    }
    // As in the slow-server case: one fetch at a time, 2 or 3 in 7.5 s.
    EXPECT_LE(CountUserstatRequests(), 3);
}

TEST_F(StatisticsFetch, IntervalZeroAsksTheServerExactlyOnce)
{
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForControlText(statsWindow, IDC_USED_TIME, "0 hrs 1 min", kEventWait));
    dialler.Pump(3000);
    EXPECT_EQ(CountUserstatRequests(), 1);
}

TEST_F(StatisticsFetch, HugeIntervalDoesNotWrapIntoRapidFetches)
{
    // 4294968 s in milliseconds overflows 32 bits to 704 ms.
    SetInterval(4294968);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    ASSERT_TRUE(WaitForControlText(statsWindow, IDC_USED_TIME, "0 hrs 1 min", kEventWait));
    dialler.Pump(3000);
    EXPECT_EQ(CountUserstatRequests(), 1);
}

TEST_F(StatisticsFetch, ShortIntervalRepeatsButNeverWhileABoxIsOpen)
{
    SetInterval(1);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}, {"USERMESSAGE", "Hello"}})));
    ASSERT_NE(StartTallyview(), nullptr);
    HWND box = WaitForMessageBox(kEventWait);
    ASSERT_NE(box, nullptr);
    // Three ticks pass while the box holds the first fetch open.
    dialler.Pump(3500);
    EXPECT_EQ(CountUserstatRequests(), 1);
    PressOk(box);
    const DWORD start = GetTickCount();
    while (CountUserstatRequests() < 3 && GetTickCount() - start < 8000)
        dialler.Pump(100);
    EXPECT_GE(CountUserstatRequests(), 3);
    EXPECT_EQ(Field(IDC_USED_TIME), "0 hrs 1 min");
}

TEST_F(StatisticsFetch, SlowServerSkipsTicksInsteadOfOverlappingFetches)
{
    SetInterval(1);
    ASSERT_TRUE(SetUserstatAnswer(UserstatDocument({{"USEDTIME", "60"}}), 2500));
    ASSERT_NE(StartTallyview(), nullptr);
    // Ticks come every second and each answer takes 2.5 s: overlapping
    // fetches would arrive a second apart, one at a time never less than
    // 2.5 s apart, however slow the machine.
    for (int waited = 0; waited < 30 && CountUserstatRequests() < 3; ++waited)
        dialler.Pump(1000);
    ASSERT_GE(CountUserstatRequests(), 3);
    EXPECT_GE(ShortestUserstatGapMs(), 2400);
}

} // namespace
} // namespace stats_test
