#include "dialler/ElapsedText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Format(uint32_t seconds, size_t size = kElapsedTextSize)
{
    char text[kElapsedTextSize + 8];
    memset(text, 'x', sizeof(text));
    FormatElapsed(seconds, text, size);
    return text;
}

} // namespace

TEST(FormatElapsed, PadsEachFieldToTwoDigits)
{
    EXPECT_EQ(Format(0), "00:00:00");
    EXPECT_EQ(Format(3725), "01:02:05");
    EXPECT_EQ(Format(59), "00:00:59");
    EXPECT_EQ(Format(3599), "00:59:59");
}

TEST(FormatElapsed, HoursGrowBeyondTwoDigits)
{
    EXPECT_EQ(Format(360000), "100:00:00");
    EXPECT_EQ(Format(4294967295u), "1193046:28:15");
}

TEST(FormatElapsed, SmallBufferIsCutAndTerminated)
{
    EXPECT_EQ(Format(3725, 6), "01:02");
    EXPECT_EQ(Format(3725, 1), "");
}
