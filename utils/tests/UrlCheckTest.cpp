// ValidateURL: scheme and the 31-character limit on every part.
#include <gtest/gtest.h>

#include <string>

#include "utils/Utils.h"

namespace {

std::string Path(size_t length)
{
    return "/" + std::string(length - 1, 'p');
}

TEST(ValidateUrl, AcceptsHttpAndHttps)
{
    EXPECT_TRUE(ValidateURL("http://customer.tovrin.example/customer/dialler_update.asp"));
    EXPECT_TRUE(ValidateURL("https://portal.tovrin.example/"));
    EXPECT_TRUE(ValidateURL("http://127.0.0.1:8080/customer/banner.html?x=1"));
}

TEST(ValidateUrl, RejectsOtherSchemesAndMissingScheme)
{
    EXPECT_FALSE(ValidateURL("ftp://customer.tovrin.example/file.txt"));
    EXPECT_FALSE(ValidateURL("file:///C:/windows/win.ini"));
    EXPECT_FALSE(ValidateURL("customer.tovrin.example/customer/dialler_update.asp"));
    EXPECT_FALSE(ValidateURL(""));
    EXPECT_FALSE(ValidateURL(nullptr));
}

TEST(ValidateUrl, RejectsBlanksQuotesAndControlCharacters)
{
    EXPECT_FALSE(ValidateURL("http://host.example/a\" --new-window \"x"));
    EXPECT_FALSE(ValidateURL("http://host.example/a b"));
    EXPECT_FALSE(ValidateURL("http://host.example/a\tb"));
    EXPECT_FALSE(ValidateURL("http://host.example/a\r\nb"));
    EXPECT_FALSE(ValidateURL("http://host.example/a\x7f"));
    EXPECT_TRUE(ValidateURL("http://host.example/a%20b%22"));
}

TEST(ValidateUrl, PathMustFitIn31Characters)
{
    EXPECT_TRUE(ValidateURL(("http://host.example" + Path(31)).c_str()));
    EXPECT_FALSE(ValidateURL(("http://host.example" + Path(32)).c_str()));
    EXPECT_FALSE(ValidateURL(("http://host.example" + Path(200)).c_str()));
}

TEST(ValidateUrl, HostMustFitIn31Characters)
{
    const std::string host31 = std::string(23, 'h') + ".example";
    const std::string host32 = std::string(24, 'h') + ".example";
    ASSERT_EQ(host31.size(), 31u);
    EXPECT_TRUE(ValidateURL(("http://" + host31 + "/").c_str()));
    EXPECT_FALSE(ValidateURL(("http://" + host32 + "/").c_str()));
}

TEST(ValidateUrl, QueryMustFitIn31Characters)
{
    const std::string query31 = "?" + std::string(30, 'q');
    const std::string query32 = "?" + std::string(31, 'q');
    EXPECT_TRUE(ValidateURL(("http://host.example/a" + query31).c_str()));
    EXPECT_FALSE(ValidateURL(("http://host.example/a" + query32).c_str()));
}

} // namespace
