#include <gtest/gtest.h>

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
