// Double-byte character sets: a trail byte that looks like a delimiter
// belongs to its character and is never read as markup.
#include <string>

#include <gtest/gtest.h>

#include "update/XmlChars.h"
#include "update/XmlDocument.h"
#include "update/XmlScanner.h"

#ifdef _WIN32
#include <windows.h>
#endif

using XmlInternal::LeadByteTable;
using XmlInternal::XmlScanner;
using XmlInternal::XmlToken;

namespace {

// The lead-byte ranges of the Japanese double-byte code page.
const LeadByteTable kJapanese {{0x81, 0x9F}, {0xE0, 0xFC}};

// A character whose trail byte is `\`, a delimiter when read byte by byte.
const std::string kTrailBackslash = "\x95\x5C";

} // namespace

TEST(XmlCharset, TrailByteIsNotADelimiterInNames)
{
    const std::string name = "n" + kTrailBackslash + "x";
    const std::string document = "<r><" + name + " a='1'></" + name + "></r>";
    XmlDocument doc(kJapanese);
    ASSERT_TRUE(doc.Load(document.c_str())) << doc.GetErrorText();
    ASSERT_TRUE(doc.FindChildElement(name.c_str()));
    EXPECT_EQ(doc.GetChildTagName(), name);
    EXPECT_EQ(doc.GetChildAttribute("a"), "1");
}

TEST(XmlCharset, SingleByteReadingSplitsAtTheSameByte)
{
    const std::string name = "n" + kTrailBackslash + "x";
    const std::string document = "<r><" + name + "/></r>";
    const LeadByteTable singleByte;
    XmlDocument doc(singleByte);
    ASSERT_TRUE(doc.Load(document.c_str()));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(), "n\x95");
}

TEST(XmlCharset, AttributeNamesAndValuesStepByCharacter)
{
    const std::string attr = "k" + kTrailBackslash;
    const std::string value = kTrailBackslash + "&amp;" + kTrailBackslash;
    const std::string document = "<r " + attr + "='" + value + "'/>";
    XmlDocument doc(kJapanese);
    ASSERT_TRUE(doc.Load(document.c_str()));
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetAttribute(attr.c_str()), kTrailBackslash + "&" + kTrailBackslash);
}

// A lead byte whose trail byte would be the closing quote swallows it.
TEST(XmlCharset, LeadByteBeforeAQuoteTakesItAsTrail)
{
    const LeadByteTable scanTable {{0x81, 0x81}};
    const std::string text = "'\x81'x' tail";
    XmlScanner scan(text.data(), static_cast<int32_t>(text.size()), scanTable);
    XmlToken token;
    ASSERT_TRUE(scan.NextToken(token));
    EXPECT_TRUE(token.quoted);
    EXPECT_EQ(scan.TokenText(token), "\x81'x");
}

TEST(XmlCharset, LeadByteAtTheEndOfTheTextStaysInside)
{
    for (const char* document : {"<r a='\x95", "<r\x95", "<r>\x95", "<r/>\x95"}) {
        XmlDocument doc(kJapanese);
        doc.Load(document); // must not read past the end (sanitizers watch)
        doc.FindChildElement();
        doc.GetAttribute("a");
    }
    const std::string text = "ab\x95";
    XmlScanner scan(text.data(), static_cast<int32_t>(text.size()), kJapanese);
    XmlToken token;
    ASSERT_TRUE(scan.NextToken(token));
    EXPECT_EQ(token.last, 2);
    EXPECT_EQ(token.next, 3);
    EXPECT_FALSE(scan.NextToken(token));
}

#ifdef _WIN32
// The default reading follows the system's own lead-byte test.
TEST(XmlCharset, ActiveCodePageTableAgreesWithTheSystem)
{
    const LeadByteTable& table = LeadByteTable::ActiveCodePage();
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(table.IsLead(static_cast<unsigned char>(c)), IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE) << c;
    }
}

TEST(XmlCharset, JapaneseCodePageTableFromTheSystem)
{
    const LeadByteTable table = LeadByteTable::ForCodePage(932);
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(table.IsLead(static_cast<unsigned char>(c)), IsDBCSLeadByteEx(932, static_cast<BYTE>(c)) != FALSE)
            << c;
    }
    EXPECT_TRUE(table.IsLead(0x95));
    EXPECT_FALSE(table.IsLead('<'));

    const std::string document = "<r><n" + kTrailBackslash + "/></r>";
    XmlDocument doc(table);
    ASSERT_TRUE(doc.Load(document.c_str()));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(), "n" + kTrailBackslash);
}
#endif
