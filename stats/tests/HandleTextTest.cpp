// The dialler's window handle as decimal text on the command line.
#include <gtest/gtest.h>

#include "stats/HandleText.h"

namespace {

TEST(ParseHandleText, WholeCommandLineOrItsLastWord)
{
    uint64_t value = 1;
    EXPECT_TRUE(ParseHandleText("196694", &value));
    EXPECT_EQ(value, 196694u);
    EXPECT_TRUE(ParseHandleText("Tallyview.dll  65602 \t", &value));
    EXPECT_EQ(value, 65602u);
    EXPECT_TRUE(ParseHandleText("18446744073709551615", &value));
    EXPECT_EQ(value, UINT64_MAX);
}

TEST(ParseHandleText, RejectsAnythingButPlainDigits)
{
    uint64_t value = 1;
    for (const char* text : {"", "   ", "12a", "-5", "0x30056", "18446744073709551616"}) {
        EXPECT_FALSE(ParseHandleText(text, &value)) << text;
        EXPECT_EQ(value, 0u) << text;
    }
    EXPECT_FALSE(ParseHandleText(nullptr, &value));
}

} // namespace
