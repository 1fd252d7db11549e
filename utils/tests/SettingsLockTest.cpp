// The settings lock "Tovrin:Utils" across processes: a second process holds
// it (utils_lock_holder.exe) while this one writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "RegistryProbe.h"
#include "utils/ScopedHandle.h"
#include "utils/Utils.h"

namespace {

using probe::kSettingsKey;

const DWORD kLongWait = 30000;
// How long a writer that should be blocked gets to prove it is not.
const DWORD kBlockedCheck = 1000;

std::string HelperPath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string self(path, length);
    return self.substr(0, self.find_last_of('\\') + 1) + "utils_lock_holder.exe";
}

std::string EventName(const char* role)
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char name[200];
    std::snprintf(name, sizeof name, "tovrin-lock-test-%lu-%s-%s", GetCurrentProcessId(), test->name(), role);
    return name;
}

// The second process and the events that pace it.
class Holder {
public:
    // mode and marker as utils_lock_holder takes them; the events go between.
    Holder(const char* mode, const std::string& marker = "")
        : heldName(EventName("held")), goName(EventName("go")),
          held(CreateEventA(nullptr, TRUE, FALSE, heldName.c_str())),
          go(CreateEventA(nullptr, TRUE, FALSE, goName.c_str()))
    {
        std::string command = "\"" + HelperPath() + "\" " + mode + " " + heldName + " " + goName + " " + marker;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            process.Reset(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    ~Holder()
    {
        // A failed test must not leave the lock held for the next one.
        SetEvent(go.Get());
        if (process && WaitForSingleObject(process.Get(), kLongWait) != WAIT_OBJECT_0)
            TerminateProcess(process.Get(), 1);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool Started() const { return process.Valid(); }
    bool WaitHeld() const { return WaitForSingleObject(held.Get(), kLongWait) == WAIT_OBJECT_0; }
    void Go() const { SetEvent(go.Get()); }
    // The exit code, or -1 when it did not end in time.
    long Finish() const
    {
        if (WaitForSingleObject(process.Get(), kLongWait) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.Get(), &code);
        return static_cast<long>(code);
    }

private:
    std::string heldName;
    std::string goName;
    KernelHandle held;
    KernelHandle go;
    KernelHandle process;
};

// Runs work on its own thread; Finished() tells whether it has returned.
class Writer {
public:
    explicit Writer(std::function<void()> work) : work(std::move(work))
    {
        thread.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    }
    ~Writer()
    {
        if (thread)
            WaitForSingleObject(thread.Get(), kLongWait);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool FinishesWithin(DWORD milliseconds) const
    {
        return WaitForSingleObject(thread.Get(), milliseconds) == WAIT_OBJECT_0;
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        static_cast<Writer*>(self)->work();
        return 0;
    }
    std::function<void()> work;
    KernelHandle thread;
};

class SettingsLock : public ::testing::Test {
protected:
    void SetUp() override { probe::ClearTovrinKey(); }
    void TearDown() override { probe::ClearTovrinKey(); }
};

TEST_F(SettingsLock, SingleValueWriteWaitsForOtherProcess)
{
    Holder holder("release", "LockProbe holder");
    ASSERT_TRUE(holder.Started()) << HelperPath();
    ASSERT_TRUE(holder.WaitHeld());

    Writer writer([] { SetSingleAppSettings("LockProbe", "writer"); });
    EXPECT_FALSE(writer.FinishesWithin(kBlockedCheck)) << "wrote while another process held the lock";
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "LockProbe").has_value());

    // The holder writes its marker and then releases: the waiting writer
    // comes after it and its value is the one that stays.
    holder.Go();
    EXPECT_TRUE(writer.FinishesWithin(kLongWait));
    EXPECT_EQ(holder.Finish(), 0);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "LockProbe"), "writer");
}

TEST_F(SettingsLock, ServerGroupWaitsButCredentialsDoNot)
{
    Holder holder("release", "HomePage http://holder/");
    ASSERT_TRUE(holder.Started()) << HelperPath();
    ASSERT_TRUE(holder.WaitHeld());

    Writer writer([] { SetAppSettings("carol", "pw", "http://writer/", nullptr, "15", nullptr); });
    EXPECT_FALSE(writer.FinishesWithin(kBlockedCheck));
    // The credentials go in before the lock is taken; a loaded machine may
    // take a while to get there.
    for (DWORD waited = 0; waited < kLongWait && !probe::ValueType(kSettingsKey, "PasswordProtected"); waited += 50)
        Sleep(50);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "username"), "carol");
    char pass[260] = "";
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "pw");
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "HomePage").has_value());
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "UserStatURLInterval").has_value());

    holder.Go();
    EXPECT_TRUE(writer.FinishesWithin(kLongWait));
    EXPECT_EQ(holder.Finish(), 0);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "HomePage"), "http://writer/");
    EXPECT_EQ(probe::ReadDword(kSettingsKey, "UserStatURLInterval"), 15u);
}

TEST_F(SettingsLock, SetAppSettingsWithNothingToWriteStillWaits)
{
    Holder holder("release", "Unused x");
    ASSERT_TRUE(holder.Started()) << HelperPath();
    ASSERT_TRUE(holder.WaitHeld());
    Writer writer([] { SetAppSettings(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr); });
    EXPECT_FALSE(writer.FinishesWithin(kBlockedCheck));
    holder.Go();
    EXPECT_TRUE(writer.FinishesWithin(kLongWait));
    EXPECT_EQ(holder.Finish(), 0);
}

TEST_F(SettingsLock, DefaultWrittenUnderTheLockNeverOverwritesAFreshValue)
{
    probe::WriteText(kSettingsKey, "HomePage", "http://stored/");
    Holder holder("release", "UpdatePage http://holder/");
    ASSERT_TRUE(holder.Started()) << HelperPath();
    ASSERT_TRUE(holder.WaitHeld());

    char home[260] = "";
    Writer plainRead([&] { GetAppSettings(nullptr, nullptr, home, nullptr, nullptr, nullptr); });
    EXPECT_TRUE(plainRead.FinishesWithin(kLongWait)) << "a stored value was read under the lock";
    EXPECT_STREQ(home, "http://stored/");

    char update[260] = "";
    Writer defaulting([&] { GetAppSettings(nullptr, nullptr, nullptr, update, nullptr, nullptr); });
    EXPECT_FALSE(defaulting.FinishesWithin(kBlockedCheck)) << "the default was written without the lock";
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "UpdatePage").has_value());

    // The holder stores a value while the reader waits: the reader's
    // default must not overwrite it.
    holder.Go();
    EXPECT_TRUE(defaulting.FinishesWithin(kLongWait));
    EXPECT_EQ(holder.Finish(), 0);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "UpdatePage").value_or(""), "http://holder/");
    EXPECT_STREQ(update, "http://holder/");
}

TEST_F(SettingsLock, ReadsAndDeviceIndexDoNotWait)
{
    probe::WriteText(kSettingsKey, "FreePhone1", "0808");
    Holder holder("release", "Unused x");
    ASSERT_TRUE(holder.Started()) << HelperPath();
    ASSERT_TRUE(holder.WaitHeld());

    Writer reader([] {
        char value[260];
        GetSingleAppSettings("FreePhone1", value);
        SetModemSelection(2);
        RemoveValues("FreePhone");
    });
    EXPECT_TRUE(reader.FinishesWithin(kLongWait)) << "blocked on the settings lock";
    EXPECT_EQ(probe::ReadDword(kSettingsKey, "ModelSelection"), 2u);
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "FreePhone1").has_value());
    holder.Go();
    EXPECT_EQ(holder.Finish(), 0);
}

TEST_F(SettingsLock, AbandonedLockGoesToNextWriter)
{
    {
        Holder holder("abandon");
        ASSERT_TRUE(holder.Started()) << HelperPath();
        ASSERT_TRUE(holder.WaitHeld());
        holder.Go();
        ASSERT_EQ(holder.Finish(), 0);
    }

    // The writer's thread lives on after its write, as the dialler's do, so
    // a lock taken over but never given back would stay held.
    KernelHandle written(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    KernelHandle finish(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Writer writer([&] {
        SetSingleAppSettings("LockProbe", "after abandon");
        SetEvent(written.Get());
        // Longer than any wait below: its end would free the lock anyway.
        WaitForSingleObject(finish.Get(), 4 * kLongWait);
    });
    struct FinishOnExit {
        HANDLE event;
        ~FinishOnExit() { SetEvent(event); }
    } finishOnExit{finish.Get()};
    const bool wrote = WaitForSingleObject(written.Get(), kLongWait) == WAIT_OBJECT_0;
    EXPECT_TRUE(wrote) << "the abandoned lock was never taken over";
    EXPECT_EQ(probe::ReadText(kSettingsKey, "LockProbe"), "after abandon");

    if (wrote) {
        Holder next("release", "LockProbe next");
        ASSERT_TRUE(next.Started());
        EXPECT_TRUE(next.WaitHeld()) << "the lock was not given back after the take-over";
        next.Go();
        EXPECT_EQ(next.Finish(), 0);
        EXPECT_EQ(probe::ReadText(kSettingsKey, "LockProbe"), "next");
    }
}

} // namespace
