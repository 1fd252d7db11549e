// The usage-time text and the online counter: what the user reads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "stats/UsageFormat.h"

namespace {

std::string Usage(const char* seconds)
{
    char out[kUsageTimeBufferSize];
    memset(out, 'x', sizeof out);
    FormatUsageTime(seconds, out, sizeof out);
    return out;
}

TEST(FormatUsageTime, PluralZeroAndDroppedSeconds)
{
    EXPECT_EQ(Usage("0"), "0 hrs 0 mins");
    EXPECT_EQ(Usage("59"), "0 hrs 0 mins");
    EXPECT_EQ(Usage("60"), "0 hrs 1 min");
    EXPECT_EQ(Usage("119"), "0 hrs 1 min");
}

TEST(FormatUsageTime, SingularHoursAndMinutes)
{
    EXPECT_EQ(Usage("3600"), "1 hr 0 mins");
    EXPECT_EQ(Usage("3660"), "1 hr 1 min");
    EXPECT_EQ(Usage("3720"), "1 hr 2 mins");
    EXPECT_EQ(Usage("5400"), "1 hr 30 mins");
    EXPECT_EQ(Usage("7260"), "2 hrs 1 min");
    EXPECT_EQ(Usage("90000"), "25 hrs 0 mins");
}

TEST(FormatUsageTime, ReadsLikeAtoi)
{
    EXPECT_EQ(Usage(""), "0 hrs 0 mins");
    EXPECT_EQ(Usage("abc"), "0 hrs 0 mins");
    EXPECT_EQ(Usage("125abc"), "0 hrs 2 mins");
    EXPECT_EQ(Usage("  \t+5400"), "1 hr 30 mins");
    EXPECT_EQ(Usage("- 60"), "0 hrs 0 mins");
    EXPECT_EQ(Usage(nullptr), "0 hrs 0 mins");
}

TEST(FormatUsageTime, NegativeCountsTruncateTowardZero)
{
    EXPECT_EQ(Usage("-3660"), "-1 hrs -1 mins");
    EXPECT_EQ(Usage("-60"), "0 hrs -1 mins");
    EXPECT_EQ(Usage("-3600"), "-1 hrs 0 mins");
    EXPECT_EQ(Usage("-59"), "0 hrs 0 mins");
}

TEST(FormatUsageTime, OutOfRangeDigitsHeldAtThe32BitEnds)
{
    EXPECT_EQ(ParseSecondsText("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseSecondsText("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(Usage("2147483647"), "596523 hrs 14 mins");
    // The longest possible text still fits the documented buffer.
    EXPECT_EQ(Usage("-2147483648"), "-596523 hrs -14 mins");
}

TEST(FormatUsageTime, SmallBufferIsCutAndTerminated)
{
    char out[6];
    FormatUsageTime("5400", out, sizeof out);
    EXPECT_STREQ(out, "1 hr ");
    char untouched = 'x';
    FormatUsageTime("5400", &untouched, 0);
    EXPECT_EQ(untouched, 'x');
}

TEST(FormatOnlineCounter, FieldsPaddedExceptHours)
{
    CounterFields f = FormatOnlineCounter(0);
    EXPECT_STREQ(f.hours, "0");
    EXPECT_STREQ(f.minutes, "00");
    EXPECT_STREQ(f.seconds, "00");
    f = FormatOnlineCounter(59);
    EXPECT_STREQ(f.seconds, "59");
    f = FormatOnlineCounter(3661);
    EXPECT_STREQ(f.hours, "1");
    EXPECT_STREQ(f.minutes, "01");
    EXPECT_STREQ(f.seconds, "01");
    f = FormatOnlineCounter(360000);
    EXPECT_STREQ(f.hours, "100");
    EXPECT_STREQ(f.minutes, "00");
    EXPECT_STREQ(f.seconds, "00");
    f = FormatOnlineCounter(4294967295u);
    EXPECT_STREQ(f.hours, "1193046");
    EXPECT_STREQ(f.minutes, "28");
    EXPECT_STREQ(f.seconds, "15");
}

} // namespace
