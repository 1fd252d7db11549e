// GetHTTPFile against the provider stand-in.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ProviderControl.h"
#include "utils/Utils.h"

namespace {

std::string Letters(size_t size)
{
    std::string text(size, ' ');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>('a' + i % 26);
    return text;
}

class GetHttpFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(provider::BaseUrl().empty()) << "runs beside the provider server";
        ASSERT_TRUE(provider::Reset());
    }
};

TEST_F(GetHttpFile, LongBodyIsCutToBufferMinusTwoAndGetsLineFeed)
{
    const std::string body = Letters(5000);
    provider::ServeFile("text/long.txt", body);
    std::vector<char> buffer(2048, 'X');
    ASSERT_TRUE(GetHTTPFile(provider::FileUrl("text/long.txt").c_str(), buffer.data(), 2048));
    EXPECT_EQ(std::strlen(buffer.data()), 2047u);
    EXPECT_EQ(std::string(buffer.data(), 2046), body.substr(0, 2046));
    EXPECT_EQ(buffer[2046], '\n');
    EXPECT_EQ(buffer[2047], '\0');
}

TEST_F(GetHttpFile, BodyThatFitsExactlyComesBackWhole)
{
    const std::string body = Letters(98);
    provider::ServeFile("text/exact.txt", body);
    char buffer[100];
    ASSERT_TRUE(GetHTTPFile(provider::FileUrl("text/exact.txt").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), body + "\n");
}

TEST_F(GetHttpFile, SmallestBufferHoldsOnlyTheLineFeed)
{
    provider::ServeFile("text/any.txt", "something");
    char buffer[2] = {'X', 'X'};
    ASSERT_TRUE(GetHTTPFile(provider::FileUrl("text/any.txt").c_str(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "\n");
}

TEST_F(GetHttpFile, BufferTooSmallForLineFeedIsRefusedWithoutRequest)
{
    provider::ServeFile("text/any.txt", "something");
    char buffer[1] = {'X'};
    EXPECT_FALSE(GetHTTPFile(provider::FileUrl("text/any.txt").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_TRUE(provider::Log().empty());
}

TEST_F(GetHttpFile, ShorterSecondBodyLeavesNothingOfTheFirst)
{
    provider::ServeFile("text/first.txt", Letters(1500));
    provider::ServeFile("text/second.txt", "short answer");
    std::vector<char> buffer(2048);
    ASSERT_TRUE(GetHTTPFile(provider::FileUrl("text/first.txt").c_str(), buffer.data(), 2048));
    ASSERT_TRUE(GetHTTPFile(provider::FileUrl("text/second.txt").c_str(), buffer.data(), 2048));
    EXPECT_STREQ(buffer.data(), "short answer\n");
}

TEST_F(GetHttpFile, ErrorStatusGivesFalseAndEmptyText)
{
    provider::ServeFile("text/page.txt", "the real page");
    char buffer[512];
    std::strcpy(buffer, "stale");
    EXPECT_FALSE(GetHTTPFile(provider::FileUrl("text/missing.txt").c_str(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");

    std::strcpy(buffer, "stale");
    EXPECT_FALSE(GetHTTPFile(provider::FileUrl("text/page.txt?status=500").c_str(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");

    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].status, 404);
    EXPECT_EQ(log[1].status, 500);
}

TEST_F(GetHttpFile, BodyBrokenOffGivesFalseAndEmptyText)
{
    provider::ServeFile("text/long.txt", Letters(5000));
    std::vector<char> buffer(8192, 'X');
    EXPECT_FALSE(GetHTTPFile(provider::FileUrl("text/long.txt?cut=1000").c_str(), buffer.data(), 8192));
    EXPECT_STREQ(buffer.data(), "");
}

TEST_F(GetHttpFile, UnreachableServerGivesFalseAndEmptyText)
{
    // Port 1 on the loopback: nothing listens there, the connection is refused.
    char buffer[64];
    std::strcpy(buffer, "stale");
    EXPECT_FALSE(GetHTTPFile("http://127.0.0.1:1/customer/dialler_update.asp", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
}

TEST_F(GetHttpFile, SendsAgentTovrinAndFetchesTheActionAnswer)
{
    ASSERT_TRUE(provider::SetAnswer("update", "<settings><a>1</a></settings>"));
    char buffer[260];
    const std::string url = provider::BaseUrl() + "/customer/dialler_update.asp?action=update&user=ann";
    ASSERT_TRUE(GetHTTPFile(url.c_str(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "<settings><a>1</a></settings>\n");

    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].userAgent, "Tovrin");
    EXPECT_EQ(log[0].path, "/customer/dialler_update.asp");
    EXPECT_EQ(log[0].query, "action=update&user=ann");
    EXPECT_EQ(log[0].range, "");
}

TEST_F(GetHttpFile, ChangedAnswerIsNotServedFromACache)
{
    const std::string url = provider::FileUrl("text/stats.txt");
    char buffer[64];
    provider::ServeFile("text/stats.txt", "used=10");
    ASSERT_TRUE(GetHTTPFile(url.c_str(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "used=10\n");
    provider::ServeFile("text/stats.txt", "used=11");
    ASSERT_TRUE(GetHTTPFile(url.c_str(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "used=11\n");
    EXPECT_EQ(provider::Log().size(), 2u);
}

} // namespace
