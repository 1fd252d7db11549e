// A randomized soak of the real dialler: user actions at random moments
// (Connect, the button's Disconnect, the tray's Disconnect, the statistics
// window's request once or twice, waiting, close with either answer, a second
// close, the end of the session, also with the close's question open)
// against a mix of line behaviours, a transient failure to list the
// connections or to tell a connection's status among them, with the
// invariants checked throughout.
//   TOVRIN_SOAK_SEED       the first sequence's seed (printed; replays it)
//   TOVRIN_SOAK_SEQUENCES  how many sequences (default: as many as fit)
//   TOVRIN_SOAK_SECONDS    how long to go on starting sequences (default 170)
#include <stdlib.h>
#include <string.h>

#include <map>
#include <random>
#include <sstream>

#include "CoreTestFixture.h"
#include "SessionEnd.h"
#include "TextFiles.h"

using namespace guidriver;

namespace {

constexpr int kTrayDisconnect = 32772;   // the tray menu's Disconnect
constexpr UINT kStatsDisconnect = 1203;  // posted by the statistics window
// The hang-up of a line the service never lets go of is given up after ten
// seconds; everything the user waits for must be over well within these.
constexpr DWORD kSettleMs = 13000;
constexpr DWORD kExitLimitMs = 20000;

const char* const kScenarios[] = {
    "all-busy.txt",     "all-refused.txt",       "slow-connect.txt",     "slow-hangup.txt",
    "drop-soon.txt",    "stop-633-notified.txt", "stop-633-at-once.txt", "stays-connected.txt",
    "enum-fails.txt",   "all-fail-early.txt",    "status-fails.txt",
};
// The one scenario whose line drops by itself.
const char kDroppingScenario[] = "drop-soon.txt";

unsigned long EnvNumber(const char* name, unsigned long fallback)
{
    const char* text = getenv(name);
    return text && *text ? strtoul(text, nullptr, 10) : fallback;
}

class Sequence {
public:
    Sequence(unsigned long seed, const Installation& installation, DiallerProcess& dialler, HWND dialog,
             bool lineDrops)
        : random(seed), installation(installation), dialler(dialler), dialog(dialog), lineDrops(lineDrops)
    {
    }

    // Failures so far, each with what had been done before it.
    std::string failures;
    std::string trail;

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }

    void Act()
    {
        AnswerErrorBox();
        std::string button = ControlText(dialog, kConnectButton);
        bool enabled = IsWindowEnabled(GetDlgItem(dialog, kConnectButton)) != FALSE;
        bool inTray = !IsWindowVisible(dialog);
        switch (Pick(6)) {
        case 0:
        case 1:
            // A user can press only what is there to be pressed.
            if (enabled && IsWindowVisible(dialog)) {
                Note(button == "&Connect" ? "connect" : "button-disconnect");
                Click(dialog, kConnectButton);
            }
            break;
        case 2:
            if (!IsWindowVisible(dialog)) {
                Note("tray-disconnect");
                PostMessageA(dialog, WM_COMMAND, kTrayDisconnect, 0);
            }
            break;
        case 3:
            Note("1203");
            PostMessageA(dialog, kStatsDisconnect, 0, 0);
            break;
        case 4:
            Note("1203x2");
            PostMessageA(dialog, kStatsDisconnect, 0, 0);
            Sleep(Pick(300));
            PostMessageA(dialog, kStatsDisconnect, 0, 0);
            break;
        default:
            // Long enough for the watch to meet a failed listing.
            Note("wait");
            Sleep(3500);
            // Nobody asked to end a line that does not drop by itself.
            if (inTray && !lineDrops && IsWindowVisible(dialog))
                Fail("the connection ended while the user only waited");
            break;
        }
        Sleep(Pick(2500));
        CheckIdleAndDialling();
        CheckOneStatisticsWindow();
    }

    // The end of the session at a random moment, sometimes while the close's
    // question is open: a quiet shutdown, whatever was in progress.
    void EndSession()
    {
        AnswerErrorBox();
        if (Pick(2) == 0) {
            Note("close");
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            Sleep(Pick(800));
        }
        Note("end-session");
        if (!EndSessionOf(dialler.Id(), dialler.Handle(), kExitLimitMs))
            Fail("the end of the session was not answered within 20 s");
        if (dialler.WaitForExit(5000) == STILL_ACTIVE)
            Fail("the dialler outlived the end of the session");
        CheckExit(false);
    }

    // Closes (sometimes twice), answers the questions, and checks the end.
    void Close()
    {
        AnswerErrorBox();
        Note("close");
        DWORD closed = GetTickCount();
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        if (Pick(3) == 0) {
            Sleep(Pick(500));
            Note("close-again");
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        while (dialler.WaitForExit(100) == STILL_ACTIVE) {
            if (GetTickCount() - closed > kExitLimitMs) {
                Fail("the dialler did not end within 20 s of the close");
                return;
            }
            if (HWND box = dialler.MessageBoxWithCaption("Tovrin", 0)) {
                keptLine = Pick(2) == 0;
                Note(keptLine ? "answer-cancel" : "answer-ok");
                PressMessageBoxButton(box, keptLine ? IDCANCEL : IDOK);
                Sleep(300);
            }
            AnswerErrorBox();
        }
        CheckExit(keptLine);
    }

private:
    void CheckExit(bool lineKept)
    {
        CheckHandles(true, lineKept);
        WaitUntil([&] { return installation.StandInStarts("switcher.exe") > 0; }, 5000);
        Sleep(300);  // a second start would show up by now
        size_t starts = installation.StandInStarts("switcher.exe");
        if (starts != 1)
            Fail("switcher was started " + std::to_string(starts) + " times at one exit");
        if (!RunOnceStartsSwitcherOf(installation))
            Fail("no log-on entry for switcher");
        if (installation.StandInsRunning("Tallyview.dll") != 0)
            Fail("a statistics window outlived the dialler");
    }

    void CheckOneStatisticsWindow()
    {
        size_t running = installation.StandInsRunning("Tallyview.dll");
        if (running > 1)
            Fail(std::to_string(running) + " statistics windows at once");
    }

    void Note(const std::string& step) { trail += step + " "; }
    void Fail(const std::string& what) { failures += what + " (after: " + trail + ")\n"; }

    void AnswerErrorBox()
    {
        if (HWND box = dialler.MessageBoxWithCaption("Error", 0)) {
            Note("error-ok");
            PressMessageBoxButton(box, IDOK);
            Sleep(200);
        }
    }

    // Idle: enabled and visible once any hang-up is over. Dialling (the
    // dialog still on screen): the button becomes pressable.
    void CheckIdleAndDialling()
    {
        HWND button = GetDlgItem(dialog, kConnectButton);
        std::string text = ControlText(dialog, kConnectButton);
        if (text == "&Connect") {
            bool settled = WaitUntil(
                [&] {
                    AnswerErrorBox();
                    return ControlText(dialog, kConnectButton) != "&Connect" ||
                           (IsWindowEnabled(button) && IsWindowVisible(dialog));
                },
                kSettleMs);
            if (!settled)
                Fail(std::string("Idle dialog left ") + (IsWindowVisible(dialog) ? "with the button greyed" : "hidden"));
            else if (ControlText(dialog, kConnectButton) == "&Connect" &&
                     ControlText(dialog, kStatusText) == "Not connected")
                CheckHandles(false, false);
        } else if (text == "&Disconnect" && IsWindowVisible(dialog)) {
            bool pressable = WaitUntil(
                [&] {
                    AnswerErrorBox();
                    return IsWindowEnabled(button) || !IsWindowVisible(dialog) ||
                           ControlText(dialog, kConnectButton) != "&Disconnect";
                },
                kSettleMs);
            if (!pressable)
                Fail("Dialling with the button greyed");
        }
    }

    // Every handle dialled is hung up exactly once; at the end a connection
    // the user chose to keep may be left alone.
    void CheckHandles(bool atExit, bool lineKept)
    {
        std::map<std::string, int> hangUps;
        for (const rasim::LogEvent& event : installation.Log("hangup"))
            ++hangUps[event.Get("handle")];
        std::map<std::string, bool> connected;
        for (const rasim::LogEvent& event : installation.Log("connected"))
            connected[event.Get("handle")] = true;
        for (const rasim::LogEvent& dial : installation.Log("dial")) {
            std::string handle = dial.Get("handle");
            if (handle.empty() || handle == "0x0")
                continue;
            int count = hangUps[handle];
            if (count > 1)
                Fail("handle " + handle + " hung up " + std::to_string(count) + " times");
            else if (count == 0 && !(atExit && lineKept && connected[handle]))
                Fail("handle " + handle + (atExit ? " never hung up" : " still up after \"Not connected\""));
        }
    }

    std::mt19937 random;
    const Installation& installation;
    DiallerProcess& dialler;
    HWND dialog;
    bool lineDrops;
    bool keptLine = false;
};

} // namespace

using DiallerSoak = DiallerTest;

TEST_F(DiallerSoak, RandomUserActionsKeepEveryInvariant)
{
    const unsigned long firstSeed = EnvNumber("TOVRIN_SOAK_SEED", GetTickCount());
    const unsigned long sequences = EnvNumber("TOVRIN_SOAK_SEQUENCES", 0);
    const DWORD limitMs = EnvNumber("TOVRIN_SOAK_SECONDS", 170) * 1000;
    printf("soak: first seed %lu (TOVRIN_SOAK_SEED replays it)\n", firstSeed);
    // A small cap, so the soak rotates the connection log several times.
    constexpr unsigned long kLogLimit = 8192;
    SetEnvironmentVariableA("TOVRIN_LOG_LIMIT", std::to_string(kLogLimit).c_str());
    DeleteFileW(Wide(ConnectionLogPath()).c_str());
    DeleteFileW(Wide(RotatedConnectionLogPath()).c_str());

    const DWORD started = GetTickCount();
    unsigned long ran = 0;
    for (unsigned long seed = firstSeed;; ++seed) {
        if (sequences ? ran >= sequences : GetTickCount() - started > limitMs)
            break;
        std::mt19937 pick(seed);
        const char* scenario = kScenarios[pick() % (sizeof kScenarios / sizeof kScenarios[0])];
        StoreNumbers("FreePhone", {"0111", "0222", "0333"});
        ClearSwitcherRunOnce();
        // Generous: a loaded machine can take a while to start a program.
        StartedDialler run(scenario, {"switcher.exe", "Tallyview.dll"}, 30000);
        ASSERT_TRUE(run.standInsAdded);
        ASSERT_TRUE(run.dialog) << "seed " << seed;
        if (ran == 0) {  // the read-only status line is no stop for the Tab key
            EXPECT_FALSE(GetWindowLongA(GetDlgItem(run.dialog, kStatusText), GWL_STYLE) & WS_TABSTOP);
        }

        Sequence sequence(seed, run.installation, run.dialler, run.dialog, strcmp(scenario, kDroppingScenario) == 0);
        int actions = 1 + sequence.Pick(5);
        for (int i = 0; i < actions; ++i)
            sequence.Act();
        if (sequence.Pick(3) == 0)
            sequence.EndSession();
        else
            sequence.Close();
        ++ran;
        size_t failedListings = 0;  // the simulator's transient fault, met by the watch
        for (const rasim::LogEvent& listing : run.installation.Log("enumconnections"))
            failedListings += listing.Get("result") != "0";
        printf("soak: seed %lu %s: %s%s (failed listings: %zu)\n", seed, scenario, sequence.trail.c_str(),
               sequence.failures.empty() ? "ok" : "FAILED", failedListings);
        fflush(stdout);
        EXPECT_TRUE(sequence.failures.empty()) << "seed " << seed << ", " << scenario << ":\n"
                                               << sequence.failures << run.installation.LogText();
        if (!sequence.failures.empty())
            break;
    }
    printf("soak: %lu sequences\n", ran);
    EXPECT_GT(ran, 0u);

    // The log stays within its cap, one older half kept, and never holds
    // the password.
    for (const std::string& path : {ConnectionLogPath(), RotatedConnectionLogPath()}) {
        WIN32_FILE_ATTRIBUTE_DATA info;
        // A short replay may not have filled the first half yet.
        if (ran < 5 && path == RotatedConnectionLogPath())
            continue;
        ASSERT_TRUE(GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &info)) << path;
        EXPECT_LE(info.nFileSizeLow, kLogLimit) << path;
        printf("soak: %s holds %lu bytes\n", path.c_str(), info.nFileSizeLow);
        for (const std::string& line : ReadLines(path))
            EXPECT_EQ(line.find("secret"), std::string::npos) << line;
    }
}
