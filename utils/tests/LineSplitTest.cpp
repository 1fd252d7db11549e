#include "utils/Utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Split {
    std::vector<char> text;
    char name[32];
    char value[32];
    char* next;

    explicit Split(const std::string& input, int nameSize = 32, int valueSize = 32) : text(input.begin(), input.end())
    {
        text.push_back('\0');
        next = GetLine(text.data(), name, nameSize, value, valueSize);
    }
    long Offset() const { return next ? static_cast<long>(next - text.data()) : -1; }
};

TEST(GetLine, TakesNameAndWholeValueAndSkipsTheLineEnd)
{
    Split s("server = two words\r\nnext=1\n");
    EXPECT_STREQ(s.name, "server");
    EXPECT_STREQ(s.value, "two words");
    EXPECT_EQ(s.Offset(), 20);
    EXPECT_STREQ(s.next, "next=1\n");
}

TEST(GetLine, LastLineWithoutLineEndIsNeverTakenApart)
{
    Split s("name=value");
    EXPECT_EQ(s.next, nullptr);
    EXPECT_STREQ(s.name, "");
    EXPECT_STREQ(s.value, "");
}

TEST(GetLine, LineWithoutEqualsGivesEmptyBuffersAndTheNextLine)
{
    Split s("just text\nname=v\n");
    EXPECT_STREQ(s.name, "");
    EXPECT_STREQ(s.value, "");
    EXPECT_STREQ(s.next, "name=v\n");
}

TEST(GetLine, NameOfTwoWordsIsTheFirstWord)
{
    Split s("first second=value  \n");
    EXPECT_STREQ(s.name, "first");
    EXPECT_STREQ(s.value, "value  ");  // trailing spaces are kept
}

TEST(GetLine, OnlySpacesAreSkippedBeforeNameAndValue)
{
    Split s("  a =\tb\n");
    EXPECT_STREQ(s.name, "a");
    EXPECT_STREQ(s.value, "\tb");
}

TEST(GetLine, PairThatDoesNotFitLeavesBothBuffersEmpty)
{
    Split longName("abcdefgh=v\n", 8, 32);  // 8 characters need 9 bytes
    EXPECT_STREQ(longName.name, "");
    EXPECT_STREQ(longName.value, "");
    Split fits("abcdefg=v\n", 8, 32);
    EXPECT_STREQ(fits.name, "abcdefg");
    Split emptyValue("name=\n");
    EXPECT_STREQ(emptyValue.name, "");
    Split emptyName(" =value\n");
    EXPECT_STREQ(emptyName.value, "");
}

TEST(GetLine, WalksEveryLineOfAText)
{
    std::string input = "a=1\r\n\r\nb=2\nc=3\n";
    std::vector<char> text(input.begin(), input.end());
    text.push_back('\0');
    std::vector<std::string> pairs;
    char name[16], value[16];
    for (char* line = text.data(); line && *line;) {
        line = GetLine(line, name, sizeof name, value, sizeof value);
        if (name[0])
            pairs.push_back(std::string(name) + ":" + value);
    }
    EXPECT_EQ(pairs, (std::vector<std::string>{"a:1", "b:2", "c:3"}));
}

} // namespace
