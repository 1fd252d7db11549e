#include <gtest/gtest.h>

#include "utils/ScopedHandle.h"

#include "switcher/DiallerWait.h"

using switcher::ParseProcessId;

TEST(ParseProcessId, ReadsLikeAtoi)
{
    EXPECT_EQ(ParseProcessId("1234"), 1234u);
    EXPECT_EQ(ParseProcessId("  \t42abc"), 42u);
    EXPECT_EQ(ParseProcessId("+7"), 7u);
    EXPECT_EQ(ParseProcessId("abc"), 0u);
    EXPECT_EQ(ParseProcessId(""), 0u);
    EXPECT_EQ(ParseProcessId("-1"), 0xFFFFFFFFu);
}

TEST(WaitForDialler, ProcessIdThatCannotBeOpenedDoesNotWait)
{
    const DWORD start = GetTickCount();
    switcher::WaitForDialler(0, 5000);
    switcher::WaitForDialler(0xFFFFFFF0, 5000);
    EXPECT_LT(GetTickCount() - start, 1000u);
}

// A suspended copy of this program, which never ends by itself.
struct SuspendedCopy {
    SuspendedCopy()
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        char commandLine[] = "switcher_install_test --gtest_list_tests";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (CreateProcessA(self, commandLine, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                           &info)) {
            process.Reset(info.hProcess);
            thread.Reset(info.hThread);
            id = info.dwProcessId;
        }
    }
    ~SuspendedCopy()
    {
        if (process && TerminateProcess(process.Get(), 0))
            WaitForSingleObject(process.Get(), 10000);
    }
    KernelHandle process;
    KernelHandle thread;
    DWORD id = 0;
};

TEST(WaitForDialler, ProcessStillRunningIsEndedWithAllOnesExitCode)
{
    SuspendedCopy dialler;
    ASSERT_TRUE(dialler.process);
    // As if this test had been started by it, after it.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    switcher::WaitForDialler(dialler.id, 200, (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    // Gone, not only ended: the forced end waits for that.
    ASSERT_EQ(WaitForSingleObject(dialler.process.Get(), 0), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeProcess(dialler.process.Get(), &exitCode));
    EXPECT_EQ(exitCode, switcher::kForcedExitCode);
}

TEST(WaitForDialler, ReusedProcessIdIsNeitherWaitedForNorEnded)
{
    // Started after this one, it holds the id of a dialler already gone.
    SuspendedCopy other;
    ASSERT_TRUE(other.process);
    const DWORD start = GetTickCount();
    switcher::WaitForDialler(other.id, 5000);
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(WaitForSingleObject(other.process.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}
