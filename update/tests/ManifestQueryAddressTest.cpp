// The request address: the fixed form, the percent-encoding of the action
// and the user name, and refusal instead of a shortened address.
#include "update/QueryAddress.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using Update::BuildQueryAddress;
using Update::kQueryAddressSize;

namespace {

std::string Build(const char* base, const char* action, const char* user)
{
    char buffer[kQueryAddressSize];
    EXPECT_TRUE(BuildQueryAddress(buffer, sizeof buffer, base, action, user));
    return buffer;
}

} // namespace

TEST(QueryAddress, PlainNamesAreSentUnchanged)
{
    EXPECT_EQ(Build("http://127.0.0.1/page.asp", "update", "jsmith"),
              "http://127.0.0.1/page.asp?action=update&user=jsmith");
    EXPECT_EQ(Build("http://127.0.0.1/", "userstat", "A-z.0_9~"),
              "http://127.0.0.1/?action=userstat&user=A-z.0_9~");
}

TEST(QueryAddress, UserNameCannotChangeTheRequest)
{
    EXPECT_EQ(Build("http://h/p", "update", "a&b c#%="), "http://h/p?action=update&user=a%26b%20c%23%25%3D");
    EXPECT_EQ(Build("http://h/p", "update", "x&action=delete"),
              "http://h/p?action=update&user=x%26action%3Ddelete");
    // Bytes of the ANSI code page above 127, and control characters.
    EXPECT_EQ(Build("http://h/p", "update", "\xE9t\xE9\r\n+/?"),
              "http://h/p?action=update&user=%E9t%E9%0D%0A%2B%2F%3F");
}

TEST(QueryAddress, ActionIsEncodedAndBaseIsNot)
{
    EXPECT_EQ(Build("http://h/p?x", "up date", "u"), "http://h/p?x?action=up%20date&user=u");
}

TEST(QueryAddress, NullTextsReadAsEmpty)
{
    EXPECT_EQ(Build(nullptr, nullptr, nullptr), "?action=&user=");
}

TEST(QueryAddress, LongestStoredTextsFullyEncodedStillFit)
{
    const std::string base = "http://127.0.0.1/" + std::string(259 - 17, 'p');
    const std::string user(255, '&');
    const std::string action(64, ' ');
    const std::string address = Build(base.c_str(), action.c_str(), user.c_str());
    EXPECT_EQ(address.size(), kQueryAddressSize - 1);
    EXPECT_EQ(address.substr(address.size() - 6), "%26%26");
}

TEST(QueryAddress, TooLongIsRefusedNotCut)
{
    // "http://h/?action=update&user=" is 29 characters: a 32-byte buffer has
    // room for two more.
    char buffer[32];
    EXPECT_TRUE(BuildQueryAddress(buffer, sizeof buffer, "http://h/", "update", "ab"));
    EXPECT_STREQ(buffer, "http://h/?action=update&user=ab");
    EXPECT_FALSE(BuildQueryAddress(buffer, sizeof buffer, "http://h/", "update", "abc"));
    EXPECT_STREQ(buffer, "");
    // An encoded byte must fit whole, too.
    EXPECT_FALSE(BuildQueryAddress(buffer, sizeof buffer, "http://h/", "update", "&"));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(BuildQueryAddress(buffer, 0, "http://h/", "update", "a"));
}
