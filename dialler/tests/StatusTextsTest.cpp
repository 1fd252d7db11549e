// Connection states to status texts, and the stopping errors.
#include <gtest/gtest.h>

#include "dialler/StatusTexts.h"

TEST(StatusTextForState, GroupsOfStates)
{
    EXPECT_STREQ("Dialing remote server", StatusTextForState(0));
    EXPECT_STREQ("Dialing remote server", StatusTextForState(22));
    EXPECT_STREQ("Connected to remote server", StatusTextForState(4));
    EXPECT_STREQ("Connecting at remote server", StatusTextForState(5));
    EXPECT_STREQ("Connecting at remote server", StatusTextForState(19));
    EXPECT_STREQ("Connecting at remote server", StatusTextForState(4097));
    EXPECT_STREQ("You must change password", StatusTextForState(9));
    EXPECT_STREQ("Password expired", StatusTextForState(4099));
    EXPECT_STREQ("Processing modem callback", StatusTextForState(17));
    EXPECT_STREQ("Logging on network", StatusTextForState(21));
    EXPECT_STREQ("Logging on network", StatusTextForState(8192));
    EXPECT_STREQ("Disconnected from remote server", StatusTextForState(23));
    EXPECT_STREQ("Disconnected from remote server", StatusTextForState(8193));
}

TEST(StatusTextForState, ConnectDeviceLeavesStatusAndOthersClearIt)
{
    EXPECT_EQ(nullptr, StatusTextForState(2));
    EXPECT_STREQ("", StatusTextForState(18));
    EXPECT_STREQ("", StatusTextForState(4098));
    EXPECT_STREQ("", StatusTextForState(0xFFFFFFFFu));
}

TEST(IsStoppingError, OnlyTheListedCodes)
{
    for (uint32_t code : {601u, 602u, 606u, 608u, 615u, 630u, 633u, 665u, 666u, 681u, 756u, 797u})
        EXPECT_TRUE(IsStoppingError(code)) << code;
    for (uint32_t code : {0u, 600u, 676u, 678u, 691u, 798u})
        EXPECT_FALSE(IsStoppingError(code)) << code;
}
