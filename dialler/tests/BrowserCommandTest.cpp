#include "dialler/BrowserCommand.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Build(const char* commandTemplate, const char* url, size_t size = 600)
{
    char out[600];
    EXPECT_TRUE(BuildBrowserCommand(commandTemplate, url, out, size));
    return out;
}

} // namespace

TEST(BuildBrowserCommand, QuotedPlaceholderIsCutAtItsOpeningQuote)
{
    EXPECT_EQ(Build("\"C:\\Browser\\browse.exe\" -nohome \"%1\"", "http://portal.example/"),
              "\"C:\\Browser\\browse.exe\" -nohome  \"http://portal.example/\"");
}

TEST(BuildBrowserCommand, BarePlaceholderIsCutWhereItStands)
{
    EXPECT_EQ(Build("browse.exe %1 -newwindow", "http://a/"), "browse.exe  \"http://a/\"");
}

TEST(BuildBrowserCommand, QuotedPlaceholderWinsOverAnEarlierBareOne)
{
    // The first quoted "%1" decides, even when a bare one comes before it.
    EXPECT_EQ(Build("b.exe -x%1 \"%1\"", "u"), "b.exe -x%1  \"u\"");
}

TEST(BuildBrowserCommand, TemplateWithoutPlaceholderIsKeptWhole)
{
    EXPECT_EQ(Build("\"C:\\b.exe\" -url", "http://a/"), "\"C:\\b.exe\" -url \"http://a/\"");
}

TEST(BuildBrowserCommand, ResultTooLongIsRefused)
{
    char out[16];
    EXPECT_FALSE(BuildBrowserCommand("browser.exe \"%1\"", "http://a.long.example/", out, sizeof(out)));
    EXPECT_EQ(strlen(out), sizeof(out) - 1);
}

TEST(BuildBrowserCommand, AddressWithAQuoteIsRefusedSoItCannotAddBrowserOptions)
{
    char out[600];
    EXPECT_FALSE(BuildBrowserCommand("browse.exe \"%1\"", "http://a/\" -option", out, sizeof(out)));
    EXPECT_STREQ(out, "");
}
