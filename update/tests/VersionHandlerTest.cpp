#include "update/VersionHandler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

std::string Parse(const char* text)
{
    return VersionHandler::AsVersionHandler(text).ToString();
}

VersionHandler V(uint16_t a, uint16_t b, uint16_t c)
{
    VersionHandler v;
    v.Set(a, b, c);
    return v;
}

TEST(VersionHandlerParse, SplitsLikeStrtokAndReadsLikeAtoi)
{
    EXPECT_EQ(Parse("1.2.3"), "1.2.3");
    EXPECT_EQ(Parse("1.2"), "1.2.0");
    EXPECT_EQ(Parse(""), "0.0.0");
    EXPECT_EQ(Parse("1..2"), "1.2.0");
    EXPECT_EQ(Parse("1.2.3.4"), "1.2.3");
    EXPECT_EQ(Parse("1.2.3beta"), "1.2.3");
    EXPECT_EQ(Parse("a1.2.3"), "0.2.3");
    EXPECT_EQ(Parse(".5"), "5.0.0");
    EXPECT_EQ(Parse("1.2."), "1.2.0");
    EXPECT_EQ(Parse(" 7. +8.\t9"), "7.8.9");
}

TEST(VersionHandlerParse, WrapsToSixteenBits)
{
    EXPECT_EQ(Parse("70000.1.1"), "4464.1.1");
    EXPECT_EQ(Parse("-1.0.0"), "65535.0.0");
    // A run of digits far past int range must not be undefined behaviour.
    const VersionHandler v = VersionHandler::AsVersionHandler("99999999999999999999999.1.1");
    EXPECT_EQ(v.Minor(), 1);
}

TEST(VersionHandlerParse, LongTextIsReadOnlyAsFarAsTheBufferGoes)
{
    std::string longText(61, '0');
    longText += "7.1.1";  // the 7 is the 62nd byte: still read
    EXPECT_EQ(VersionHandler::AsVersionHandler(longText.c_str()).Major(), 7);
    std::string tooLong(200, '1');
    EXPECT_NO_FATAL_FAILURE(VersionHandler::AsVersionHandler(tooLong.c_str()));
    EXPECT_EQ(Parse(nullptr), "0.0.0");
}

TEST(VersionHandlerParse, ParsesOnSeveralThreadsWithoutSharingState)
{
    // Interleaved parses would swap pieces between threads if the strtok
    // position were shared.
    auto worker = [](const char* text, const char* expected, bool* ok) {
        *ok = true;
        for (int i = 0; i < 20000; ++i)
            if (Parse(text) != expected)
                *ok = false;
    };
    bool ok1 = false, ok2 = false;
    std::thread a(worker, "1.2.3", "1.2.3", &ok1);
    std::thread b(worker, "40.50.60", "40.50.60", &ok2);
    a.join();
    b.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
}

TEST(VersionHandlerText, KeptInStepWithTheNumbers)
{
    EXPECT_STREQ(VersionHandler().ToString(), "0.0.0");
    EXPECT_STREQ(V(1, 0, 12).ToString(), "1.0.12");
    VersionHandler copy(V(4, 5, 6));
    EXPECT_STREQ(copy.ToString(), "4.5.6");
    copy = V(7, 8, 9);
    EXPECT_STREQ(copy.ToString(), "7.8.9");
    // Five-digit numbers do not fit in 15 characters: the text is cut, the
    // numbers are kept.
    const VersionHandler wide = V(65535, 65535, 65535);
    EXPECT_EQ(std::strlen(wide.ToString()), 15u);
    EXPECT_EQ(wide.Revision(), 65535);
    EXPECT_TRUE(VersionHandler::AsVersionHandler(V(3, 2, 0).ToString()) == V(3, 2, 0));
}

TEST(VersionHandlerValidity, AllThreeNumbersMustBeNonZero)
{
    EXPECT_FALSE(V(1, 0, 0).IsValid());
    EXPECT_FALSE(V(0, 0, 0).IsValid());
    EXPECT_TRUE(V(1, 1, 1).IsValid());
}

TEST(VersionHandlerCompare, OrdersMajorThenMinorThenRevision)
{
    EXPECT_TRUE(V(1, 2, 3) == V(1, 2, 3));
    EXPECT_TRUE(V(1, 2, 3) <= V(1, 2, 3));
    EXPECT_FALSE(V(1, 2, 3) < V(1, 2, 3));
    EXPECT_FALSE(V(2, 0, 0) < V(1, 9, 9));
    EXPECT_TRUE(V(1, 9, 9) < V(2, 0, 0));
    EXPECT_FALSE(V(1, 2, 0) <= V(1, 1, 5));
    EXPECT_TRUE(V(1, 1, 5) < V(1, 2, 0));
    EXPECT_FALSE(V(1, 3, 0) < V(1, 2, 9));
    EXPECT_FALSE(V(1, 2, 3) == V(1, 2, 4));
}

} // namespace
