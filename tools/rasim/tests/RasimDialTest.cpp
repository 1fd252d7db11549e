// Dialling, progress delivery, connection status, hang-up and the
// connection list of the simulator.
#include "RasimFixture.h"

#include <atomic>
#include <thread>

using rasim::EventsNamed;

TEST_F(RasimTest, BusyThenConnectArrivesInOrderOnTheServiceThread)
{
    Load("busy-then-connect.txt");
    RasConnHandle first = nullptr;
    ASSERT_EQ(Dial("0808001", first), kRasOk);
    ASSERT_NE(first, nullptr);
    auto seen = WaitForNotifications(4);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].state, 0u);
    EXPECT_EQ(seen[1].state, 1u);
    EXPECT_EQ(seen[2].state, 2u);
    EXPECT_EQ(seen[2].error, 0u);
    // The failure is reported again in the state it happened in.
    EXPECT_EQ(seen[3].state, 2u);
    EXPECT_EQ(seen[3].error, kRasErrorLineBusy);
    EXPECT_EQ(seen[0].message, 0xCCCDu);
    EXPECT_NE(seen[0].threadId, GetCurrentThreadId());

    RasConnStatusOld status;
    ASSERT_EQ(StatusOf(first, status), kRasOk);
    EXPECT_EQ(status.state, RasDisconnected);
    EXPECT_EQ(status.error, kRasErrorLineBusy);
    EXPECT_EQ(api.HangUp(first), kRasOk);

    RasConnHandle second = nullptr;
    ASSERT_EQ(Dial("0808002", second), kRasOk);
    EXPECT_NE(second, first);
    seen = WaitForNotifications(4 + 8);
    ASSERT_EQ(seen.size(), 12u);
    const DWORD expected[] = {0, 1, 2, 3, 4, 5, 14, RasConnected};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(seen[4 + i].state, expected[i]) << i;
        EXPECT_EQ(seen[4 + i].error, 0u) << i;
    }
    ASSERT_EQ(StatusOf(second, status), kRasOk);
    EXPECT_EQ(status.state, RasConnected);
    EXPECT_EQ(api.HangUp(second), kRasOk);

    auto dials = EventsNamed(Log(), "dial");
    ASSERT_EQ(dials.size(), 2u);
    EXPECT_EQ(dials[0].Get("phone"), "0808001");
    EXPECT_EQ(dials[1].Get("phone"), "0808002");
    EXPECT_EQ(dials[1].Get("entry"), "Tovrin");
    EXPECT_EQ(dials[1].Get("user"), "alice");
    EXPECT_EQ(dials[1].Get("password"), "s3cret");
    EXPECT_EQ(dials[1].Get("result"), "0");
    EXPECT_EQ(EventsNamed(Log(), "connected").size(), 1u);
    EXPECT_EQ(EventsNamed(Log(), "hangup").size(), 2u);
}

TEST_F(RasimTest, ImmediateFailureReturnsTheCodeWithoutNotifying)
{
    Load("fail-at-once.txt");
    RasConnHandle handle = reinterpret_cast<RasConnHandle>(0x55);
    EXPECT_EQ(Dial("0808001", handle), kRasErrorPortNotAvailable);
    EXPECT_EQ(handle, nullptr);
    Sleep(300);
    EXPECT_TRUE(WaitForNotifications(0).empty());
    auto dials = EventsNamed(Log(), "dial");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0].Get("result"), "633");
    // The script line is used up; the next dial is unscripted, busy.
    EXPECT_EQ(Dial("0808001", handle), kRasOk);
    auto seen = WaitForNotifications(4);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].error, kRasErrorLineBusy);
    api.HangUp(handle);
}

TEST_F(RasimTest, LineDropShowsAsDisconnectedInStatusAndList)
{
    Load("line-drop.txt");
    RasConnHandle handle = nullptr;
    ASSERT_EQ(Dial("0808001", handle), kRasOk);
    ASSERT_TRUE(WaitForState(handle, RasConnected));
    ULONGLONG connectedAt = GetTickCount64();
    ASSERT_TRUE(WaitForState(handle, RasDisconnected));
    EXPECT_GE(GetTickCount64() - connectedAt, 400u);
    RasConnStatusOld status;
    ASSERT_EQ(StatusOf(handle, status), kRasOk);
    EXPECT_EQ(status.error, 628u);

    // Still listed until hung up, but no longer connected.
    RasConnectionOld list[4] = {};
    list[0].size = kRasConnectionSize;
    DWORD size = sizeof list, count = 0;
    ASSERT_EQ(api.EnumConnections(list, &size, &count), kRasOk);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(list[0].handle, handle);
    EXPECT_EQ(EventsNamed(Log(), "drop").size(), 1u);
    api.HangUp(handle);
}

TEST_F(RasimTest, HandleStaysValidForTheHangUpTimeThenIsInvalid)
{
    Load("hangup-delay.txt");
    RasConnHandle handle = nullptr;
    ASSERT_EQ(Dial("0808001", handle), kRasOk);
    ASSERT_TRUE(WaitForState(handle, RasConnected));
    ULONGLONG hungUpAt = GetTickCount64();
    ASSERT_EQ(api.HangUp(handle), kRasOk);
    RasConnStatusOld status;
    ASSERT_EQ(StatusOf(handle, status), kRasOk);
    EXPECT_EQ(status.state, RasDisconnected);
    // A hung-up connection is no longer listed.
    DWORD size = 0, count = 9;
    EXPECT_EQ(api.EnumConnections(nullptr, &size, &count), kRasOk);
    EXPECT_EQ(count, 0u);

    while (StatusOf(handle, status) == kRasOk)
        Sleep(10);
    EXPECT_EQ(StatusOf(handle, status), kRasErrorInvalidHandle);
    EXPECT_GE(GetTickCount64() - hungUpAt, 700u);
    EXPECT_EQ(api.HangUp(handle), kRasErrorInvalidHandle);

    // Polling is summarised: one line per distinct answer.
    auto statuses = EventsNamed(Log(), "status");
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses.back().Get("result"), "6");
    EXPECT_EQ(statuses[statuses.size() - 2].Get("state"), "8193");
    EXPECT_LE(statuses.size(), 6u);
}

TEST_F(RasimTest, HangUpWhileDiallingStopsTheProgressReports)
{
    Load("hangup-delay.txt");
    RasConnHandle first = nullptr;
    ASSERT_EQ(Dial("0808001", first), kRasOk);
    ASSERT_TRUE(WaitForState(first, RasConnected));
    size_t before = WaitForNotifications(2).size();
    RasConnHandle second = nullptr;
    ASSERT_EQ(Dial("0808002", second), kRasOk);
    ASSERT_EQ(WaitForNotifications(before + 1).size(), before + 1);
    ASSERT_EQ(api.HangUp(second), kRasOk);
    Sleep(1000);
    EXPECT_EQ(WaitForNotifications(0).size(), before + 1);
    RasConnStatusOld status;
    EXPECT_EQ(StatusOf(second, status), kRasErrorInvalidHandle);  // hang-up time 0
    api.HangUp(first);
}

TEST_F(RasimTest, ConnectionsOpenAtStartAreListedWithOwnOnes)
{
    Load("open-at-start.txt");
    DWORD size = 0, count = 0;
    EXPECT_EQ(api.EnumConnections(nullptr, &size, &count), kRasErrorBufferTooSmall);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(size, 2 * kRasConnectionSize);

    RasConnectionOld list[100] = {};
    list[0].size = kRasConnectionSize;
    size = sizeof list;
    ASSERT_EQ(api.EnumConnections(list, &size, &count), kRasOk);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(list[0].entryName, "Other ISP");
    EXPECT_STREQ(list[0].deviceType, "isdn");
    EXPECT_STREQ(list[0].deviceName, "ISDN Adapter Channel 1");
    EXPECT_STREQ(list[1].entryName, "Short Call");
    RasConnStatusOld status;
    ASSERT_EQ(StatusOf(list[0].handle, status), kRasOk);
    EXPECT_EQ(status.state, RasConnected);

    // The second one drops on its own; the first stays up.
    EXPECT_TRUE(WaitForState(list[1].handle, RasDisconnected));
    ASSERT_EQ(StatusOf(list[0].handle, status), kRasOk);
    EXPECT_EQ(status.state, RasConnected);

    RasConnHandle own = nullptr;
    ASSERT_EQ(Dial("0808001", own), kRasOk);
    ASSERT_TRUE(WaitForState(own, RasConnected));
    size = sizeof list;
    ASSERT_EQ(api.EnumConnections(list, &size, &count), kRasOk);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(list[2].handle, own);
    EXPECT_STREQ(list[2].entryName, "Tovrin");

    // Another program's connection can be hung up like our own.
    RasConnHandle other = list[0].handle;
    EXPECT_EQ(api.HangUp(other), kRasOk);
    EXPECT_EQ(api.HangUp(own), kRasOk);
    EXPECT_EQ(EventsNamed(Log(), "open").size(), 2u);
}

TEST_F(RasimTest, NumberedScriptsGoFirstThenInOrderThenTheDefault)
{
    Load("per-number.txt");
    struct Attempt {
        const char* number;
        DWORD error;  // 0: connects
    };
    const Attempt attempts[] = {{"0111", 691}, {"0222", 0}, {"0222", 678}, {"0111", 678}};
    size_t seenSoFar = 0;
    for (const Attempt& attempt : attempts) {
        RasConnHandle handle = nullptr;
        ASSERT_EQ(Dial(attempt.number, handle), kRasOk);
        // Progress states, then the outcome: 0,1,2 before 691; 0 otherwise.
        size_t expectedCount = seenSoFar + (attempt.error == 691 ? 4 : 2);
        auto seen = WaitForNotifications(expectedCount);
        ASSERT_EQ(seen.size(), expectedCount) << attempt.number;
        EXPECT_EQ(seen.back().error, attempt.error) << attempt.number;
        if (attempt.error == 0) {
            EXPECT_EQ(seen.back().state, RasConnected);
        }
        seenSoFar = expectedCount;
        api.HangUp(handle);
    }
}

TEST_F(RasimTest, DisconnectDuringDiallingIsReportedWithoutError)
{
    Load("per-number.txt");
    RasConnHandle handle = nullptr;
    ASSERT_EQ(Dial("0333", handle), kRasOk);
    auto seen = WaitForNotifications(3);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].state, RasDisconnected);
    EXPECT_EQ(seen[2].error, 0u);
    RasConnStatusOld status;
    ASSERT_EQ(StatusOf(handle, status), kRasOk);
    EXPECT_EQ(status.state, RasDisconnected);
    EXPECT_EQ(status.error, 0u);
    api.HangUp(handle);
}

TEST_F(RasimTest, DialWithoutNotifierRunsTheScriptBeforeReturning)
{
    Load("busy-then-connect.txt");
    RasDialParamsOld params = DialParams("0808001");
    RasConnHandle handle = nullptr;
    EXPECT_EQ(api.Dial(nullptr, nullptr, &params, 0, nullptr, &handle), kRasErrorLineBusy);
    ASSERT_NE(handle, nullptr);
    api.HangUp(handle);
    EXPECT_EQ(api.Dial(nullptr, nullptr, &params, 0, nullptr, &handle), kRasOk);
    RasConnStatusOld status;
    ASSERT_EQ(StatusOf(handle, status), kRasOk);
    EXPECT_EQ(status.state, RasConnected);
    api.HangUp(handle);
}

TEST_F(RasimTest, RedialOfAnEntryStillDiallingIsRefusedWith756)
{
    Load("hangup-delay.txt");
    RasConnHandle first = nullptr;
    ASSERT_EQ(Dial("0808001", first), kRasOk);
    ASSERT_TRUE(WaitForState(first, RasConnected));
    RasConnHandle second = nullptr;
    ASSERT_EQ(Dial("0808002", second), kRasOk);  // a connected entry may be dialled again
    RasConnHandle third = nullptr;
    EXPECT_EQ(Dial("0808003", third), 756u);
    EXPECT_EQ(third, nullptr);
    api.HangUp(second);
    ASSERT_EQ(Dial("0808003", third), kRasOk);  // once hung up, the entry is free
    api.HangUp(third);
    api.HangUp(first);
}

namespace {

// A notifier that asks the service about the connection from inside the
// callback, as a dialler's callback may; it must neither deadlock nor see a
// state other than the one it is told.
RasimApi* calledBackApi = nullptr;
RasConnHandle* calledBackHandle = nullptr;
std::atomic<int> statusMismatches{0};
std::atomic<int> callbacks{0};

void WINAPI QueryingNotifier(UINT, RasConnState state, DWORD error)
{
    RasConnStatusOld status = {};
    status.size = kRasConnStatusSize;
    RasConnHandle handle = *calledBackHandle;
    if (error == 0 && handle && calledBackApi->GetConnectStatus(handle, &status) == kRasOk && status.state != state)
        ++statusMismatches;
    ++callbacks;
}

}  // namespace

TEST_F(RasimTest, CallsFromTheNotifierAndOtherThreadsDoNotBlock)
{
    Load("devices-busy.txt");
    calledBackApi = &api;
    RasConnHandle handle = nullptr;
    calledBackHandle = &handle;
    statusMismatches = 0;
    callbacks = 0;

    std::atomic<bool> stop{false};
    std::vector<std::thread> pollers;
    for (int i = 0; i < 3; ++i) {
        pollers.emplace_back([&] {
            while (!stop) {
                RasConnectionOld list[8] = {};
                list[0].size = kRasConnectionSize;
                DWORD size = sizeof list, count = 0;
                api.EnumConnections(list, &size, &count);
                for (DWORD c = 0; c < count && c < 8; ++c) {
                    RasConnStatusOld status;
                    StatusOf(list[c].handle, status);
                }
            }
        });
    }
    RasDialParamsOld params = DialParams("0808001");
    for (int attempt = 0; attempt < 5; ++attempt) {
        int before = callbacks;
        ASSERT_EQ(api.Dial(nullptr, nullptr, &params, 0, reinterpret_cast<void*>(&QueryingNotifier), &handle), kRasOk);
        // Three progress states and the busy report.
        for (int i = 0; i < 200 && callbacks < before + 4; ++i)
            Sleep(10);
        EXPECT_EQ(callbacks, before + 4) << attempt;
        EXPECT_EQ(api.HangUp(handle), kRasOk);
        RasConnStatusOld status;
        while (StatusOf(handle, status) == kRasOk)
            Sleep(5);
    }
    stop = true;
    for (std::thread& poller : pollers)
        poller.join();
    EXPECT_EQ(statusMismatches, 0);
}
