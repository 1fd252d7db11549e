// StartThreadedFunc: the argument arrives unchanged and the caller owns a
// handle that outlives the thread.
#include <windows.h>

#include <gtest/gtest.h>

#include "utils/Utils.h"

namespace {

struct Handoff {
    void* seen = nullptr;
    DWORD threadId = 0;
};

unsigned long UTILS_THREADCALL RecordArgument(void* argument)
{
    auto* handoff = static_cast<Handoff*>(argument);
    handoff->seen = argument;
    handoff->threadId = GetCurrentThreadId();
    return 0x7E57u;
}

unsigned long UTILS_THREADCALL ReturnArgumentAsCode(void* argument)
{
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(argument));
}

TEST(StartThreadedFunc, HandsOverArgumentAndHandleStaysValidUntilClosed)
{
    Handoff handoff;
    HANDLE thread = StartThreadedFunc(RecordArgument, &handoff);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(handoff.seen, &handoff);
    EXPECT_NE(handoff.threadId, GetCurrentThreadId());

    // The thread has ended; its handle still answers until we close it.
    Sleep(50);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 0x7E57u);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(StartThreadedFunc, ManyThreadsEachGetTheirOwnArgument)
{
    HANDLE threads[8];
    for (ULONG_PTR i = 0; i < 8; ++i) {
        threads[i] = StartThreadedFunc(ReturnArgumentAsCode, reinterpret_cast<void*>(i + 100));
        ASSERT_NE(threads[i], nullptr);
    }
    ASSERT_EQ(WaitForMultipleObjects(8, threads, TRUE, 10000), WAIT_OBJECT_0);
    for (ULONG_PTR i = 0; i < 8; ++i) {
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeThread(threads[i], &code));
        EXPECT_EQ(code, i + 100);
        CloseHandle(threads[i]);
    }
}

TEST(StartThreadedFunc, NullProcedureGivesNullHandle)
{
    EXPECT_EQ(StartThreadedFunc(nullptr, nullptr), nullptr);
}

} // namespace
