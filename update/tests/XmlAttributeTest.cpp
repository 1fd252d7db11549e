// Attribute lookup and value decoding.
#include <string>

#include <gtest/gtest.h>

#include "update/XmlDocument.h"

namespace {

// Value of `name` on the root's only child.
std::string ChildAttribute(const char* document, const char* name)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.Load(document)) << document << ": " << doc.GetErrorText();
    EXPECT_TRUE(doc.FindChildElement()) << document;
    return doc.GetChildAttribute(name);
}

} // namespace

TEST(XmlAttribute, OnlyQuotedValuesAreFound)
{
    EXPECT_EQ(ChildAttribute("<r><e name=value/></r>", "name"), "");
    EXPECT_EQ(ChildAttribute("<r><e name = 'value' /></r>", "name"), "value");
    EXPECT_EQ(ChildAttribute("<r><e name=\"value\"/></r>", "name"), "value");
    EXPECT_EQ(ChildAttribute("<r><e a=\"\" b='x'/></r>", "a"), "");
    EXPECT_EQ(ChildAttribute("<r><e a=\"\" b='x'/></r>", "b"), "x");
    EXPECT_EQ(ChildAttribute("<r><e a='it\"s'/></r>", "a"), "it\"s");
}

TEST(XmlAttribute, NamesMatchWholeAndCaseSensitively)
{
    const char* document = "<r><e nam='1' names='2' Name='3' name='4'/></r>";
    EXPECT_EQ(ChildAttribute(document, "name"), "4");
    EXPECT_EQ(ChildAttribute(document, "Name"), "3");
    EXPECT_EQ(ChildAttribute(document, "missing"), "");
    EXPECT_EQ(ChildAttribute(document, ""), "");
    // The tag name is not an attribute name.
    EXPECT_EQ(ChildAttribute("<r><e e='x'/></r>", "e"), "x");
    EXPECT_EQ(ChildAttribute("<r><e x='1'/></r>", "e"), "");
}

TEST(XmlAttribute, ValueEqualToANameDoesNotMislead)
{
    EXPECT_EQ(ChildAttribute("<r><e a='b' b='c'/></r>", "b"), "c");
    // A name without a value two tokens later is never found, even if the
    // same name reappears with a value.
    EXPECT_EQ(ChildAttribute("<r><e a b='x'/></r>", "a"), "");
    EXPECT_EQ(ChildAttribute("<r><e a x a='y'/></r>", "a"), "");
}

TEST(XmlAttribute, SearchStopsAtTheEndOfTheStartTag)
{
    EXPECT_EQ(ChildAttribute("<r><e a='1'/></r>", "b"), "");
    EXPECT_EQ(ChildAttribute("<r><e a='1'><b c='2'/></e></r>", "c"), "");
}

TEST(XmlAttribute, NullNameOrNoElementReadsEmpty)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r a='1'/>"));
    EXPECT_EQ(doc.GetAttribute("a"), ""); // no current element yet
    EXPECT_EQ(doc.GetChildAttribute("a"), "");
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetAttribute(nullptr), "");
    EXPECT_EQ(doc.GetAttribute("a"), "1");
}

TEST(XmlAttribute, FiveEntitiesDecodeInOnePass)
{
    EXPECT_EQ(ChildAttribute("<r><e v='a &amp; b &lt;c&gt; &unknown; &#65;'/></r>", "v"), "a & b <c> &unknown; &#65;");
    EXPECT_EQ(ChildAttribute("<r><e v='&amp;lt;'/></r>", "v"), "&lt;");
    EXPECT_EQ(ChildAttribute("<r><e v=\"&apos;&quot;\"/></r>", "v"), "'\"");
    EXPECT_EQ(ChildAttribute("<r><e v='x&lt;'/></r>", "v"), "x<");
    // Cut-off references stay as written.
    EXPECT_EQ(ChildAttribute("<r><e v='&amp'/></r>", "v"), "&amp");
    EXPECT_EQ(ChildAttribute("<r><e v='&'/></r>", "v"), "&");
    EXPECT_EQ(ChildAttribute("<r><e v='&&lt;'/></r>", "v"), "&<");
    // Whitespace inside values is kept.
    EXPECT_EQ(ChildAttribute("<r><e v=' a\tb\n'/></r>", "v"), " a\tb\n");
}

TEST(XmlAttribute, TagNamesAreNotDecoded)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r><a&amp;b/></r>"));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(), "a&amp;b");
}

// The scan for the start tag's `>` does not honour quotes.
TEST(XmlAttribute, AngleBracketInsideAValueEndsTheStartTag)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.Load("<r><e v='a>b'/></r>"));
    EXPECT_EQ(doc.GetErrorText(), "End tag does not correspond to e");

    // "/>" inside a value makes the element empty; the value still reads whole.
    ASSERT_TRUE(doc.Load("<r><e v='a/>b'></r>"));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(), "e");
    EXPECT_EQ(doc.GetChildAttribute("v"), "a/>b");
    EXPECT_FALSE(doc.FindChildElement());
}

TEST(XmlAttribute, UnclosedQuoteRunsToTheEndOfTheText)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r v='a/>"));
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetAttribute("v"), "a/>");
}

// Attribute tokens are gathered once per element; a reload or a move to
// another element must never serve the previous tokens.
TEST(XmlAttribute, GatheredTokensFollowReloadsAndMoves)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r><e a='first' b='x'/></r>"));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildAttribute("a"), "first");
    ASSERT_TRUE(doc.Load("<r><e b='y'  a='second'/></r>"));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildAttribute("a"), "second");

    ASSERT_TRUE(doc.Load("<r a='root'><e a='child'/></r>"));
    ASSERT_TRUE(doc.FindChildElement());
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(doc.GetAttribute("a"), "root");
        EXPECT_EQ(doc.GetChildAttribute("a"), "child");
    }
}

// The bounded reads give the same texts as the owned copies, cut to fit.
TEST(XmlAttribute, BoundedReadsCutToTheBuffer)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r n='root'><elem v='a &amp; b'/></r>"));
    char out[5] = "xxxx";
    EXPECT_EQ(doc.GetChildTagName(out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(out, sizeof out), 4u);
    EXPECT_STREQ(out, "elem");
    EXPECT_EQ(doc.GetChildTagName(out, 3), 2u);
    EXPECT_STREQ(out, "el");
    EXPECT_EQ(doc.GetChildAttribute("v", out, sizeof out), 4u);
    EXPECT_STREQ(out, "a & ");
    EXPECT_EQ(doc.GetChildAttribute("missing", out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(doc.GetChildAttribute("v", out, 1), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(doc.GetChildAttribute("v", nullptr, 0), 0u);
    EXPECT_EQ(doc.GetAttribute("n", out, sizeof out), 4u);
    EXPECT_STREQ(out, "root");
}
