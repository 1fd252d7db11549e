// Loading: what is accepted, what stops the load and with which text, and how
// the record array grows.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "update/XmlDocument.h"
#include "update/tests/XmlFixtures.h"

namespace {

std::vector<std::string> ChildNames(XmlDocument& doc)
{
    std::vector<std::string> names;
    while (doc.FindChildElement()) {
        names.push_back(doc.GetChildTagName());
    }
    return names;
}

std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    out.reserve(piece.size() * static_cast<size_t>(times));
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

} // namespace

TEST(XmlLoad, EmptyElementRootHasNoChildren)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r/>"));
    EXPECT_TRUE(doc.HasRoot());
    EXPECT_FALSE(doc.FindChildElement());
    EXPECT_EQ(doc.ElementCount(), 1);
}

TEST(XmlLoad, AbsentOrEmptyTextFailsWithoutErrorText)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.Load(nullptr));
    EXPECT_FALSE(doc.Load(""));
    EXPECT_FALSE(doc.HasRoot());
    EXPECT_EQ(doc.GetErrorText(), "");
    EXPECT_EQ(doc.RecordCount(), 8);
}

TEST(XmlLoad, SkipsDeclarationsCommentsPisAndCdata)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(ReadXmlFixture("skipped-constructs.xml").c_str()));
    EXPECT_EQ(ChildNames(doc), (std::vector<std::string> {"a", "b", "c"}));
    EXPECT_EQ(doc.ElementCount(), 4); // markup inside comments and CDATA is not elements
}

TEST(XmlLoad, TextBetweenElementsIsIgnored)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r>hello <b/> world</r>"));
    EXPECT_EQ(ChildNames(doc), std::vector<std::string> {"b"});
}

TEST(XmlLoad, NothingAfterTheRootIsExamined)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.Load("<r/>trailing junk"));
    EXPECT_TRUE(doc.Load("<r></r><unclosed"));
    EXPECT_TRUE(doc.Load("  text first <r/>"));
}

TEST(XmlLoad, WhitespaceAllowedAfterOpeningBracketAndInEndTags)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("< a>\n\t<b></ b ></ a >"));
    EXPECT_EQ(ChildNames(doc), std::vector<std::string> {"b"});
}

TEST(XmlLoad, StructuralErrorsStopTheLoadWithTheirText)
{
    struct Case {
        const char* document;
        const char* error;
    };
    const Case cases[] = {
        {"no markup at all", "Element tag not found"},
        {"<r><a/>", "Element tag not found"},
        {"<r>   ", "Element tag not found"},
        {"<   \n", "Abrupt end within tag"},
        {"<r><", "Abrupt end within tag"},
        {"<'r'/>", "Tag starts with quote"},
        {"<!", "Invalid node"},
        {"<?", "Invalid node"},
        {"<?xml version='1.0'", "Invalid node"},
        {"<!-- never closed <r/>", "Invalid node"},
        {"<![CDATA[ x <r/>", "Invalid node"},
        {"<!DOCTYPE r [ <!ENTITY a 'b'> <r/>", "Invalid node"},
        {"<r><!-- x </r>", "Invalid node"},
        {"<r", "End of tag not found"},
        {"<r a='1'", "End of tag not found"},
        {"<a></b>", "End tag does not correspond to a"},
        {"<r><a></r></a>", "End tag does not correspond to a"},
        {"<a></A>", "End tag does not correspond to a"},
        {"<a></ab>", "End tag does not correspond to a"},
        {"<ab></a>", "End tag does not correspond to ab"},
        {"<a></a", "End tag not completed for element a"},
        {"<a></", "End tag not completed for element a"},
    };
    for (const Case& c : cases) {
        XmlDocument doc;
        EXPECT_FALSE(doc.Load(c.document)) << c.document;
        EXPECT_EQ(doc.GetErrorText(), c.error) << c.document;
        EXPECT_FALSE(doc.HasRoot()) << c.document;
        EXPECT_EQ(doc.ElementCount(), 0) << c.document;
    }
}

// A `?` or `!` after whitespace is neither a construct nor an element; it
// must end the load rather than rescan the same `<` forever.
TEST(XmlLoad, SpacedQuestionOrBangEndsTheLoad)
{
    for (const char* document : {"< ?x?><r/>", "<r>< !-- x --></r>", "<\t!DOCTYPE r><r/>"}) {
        XmlDocument doc;
        EXPECT_FALSE(doc.Load(document)) << document;
        EXPECT_EQ(doc.GetErrorText(), "Invalid node") << document;
    }
}

TEST(XmlLoad, LeadingEndTagFailsWithoutErrorText)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.Load("<!-- x --></r>"));
    EXPECT_EQ(doc.GetErrorText(), "");
}

TEST(XmlLoad, FailedLoadLeavesNoTreeAndKeepsErrorText)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r><a/></r>"));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_FALSE(doc.Load("<a></b>"));
    EXPECT_FALSE(doc.HasRoot());
    EXPECT_FALSE(doc.FindElement());
    EXPECT_FALSE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(), "");
    EXPECT_EQ(doc.GetAttribute("x"), "");
    EXPECT_FALSE(doc.IntoElement());
    EXPECT_FALSE(doc.OutOfElement());
    // Kept through later loads that raise nothing, good or bad.
    EXPECT_FALSE(doc.Load(""));
    EXPECT_TRUE(doc.Load("<r/>"));
    EXPECT_EQ(doc.GetErrorText(), "End tag does not correspond to a");
}

TEST(XmlLoad, ErrorTextNamingALongElementIsCutToItsBuffer)
{
    XmlDocument doc;
    const std::string name(300, 'n');
    EXPECT_FALSE(doc.Load(("<" + name + "></b>").c_str()));
    const std::string message = "End tag does not correspond to ";
    EXPECT_EQ(doc.GetErrorText(), message + name.substr(0, XmlDocument::kErrorTextSize - 1 - message.size()));
}

TEST(XmlLoad, ReloadReplacesTheDocumentAndResetsThePosition)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r><a/><b/></r>"));
    ASSERT_TRUE(doc.FindChildElement());
    ASSERT_TRUE(doc.FindChildElement());
    ASSERT_TRUE(doc.Load("<s><c/></s>"));
    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(), "c");
    EXPECT_FALSE(doc.FindChildElement());
}

TEST(XmlLoad, RecordsAreSizedFromTheDocumentLength)
{
    XmlDocument doc;
    EXPECT_EQ(doc.RecordCount(), 8);
    // 640 bytes reserve 640 / 64 + 8 = 18 records.
    std::string body = "<r>" + Repeat("<e/>", 15);
    std::string document = body + std::string(640 - body.size() - 4, ' ') + "</r>";
    ASSERT_EQ(document.size(), 640u);
    ASSERT_TRUE(doc.Load(document.c_str()));
    EXPECT_EQ(doc.ElementCount(), 16);
    EXPECT_EQ(doc.RecordCount(), 18);
    // A shorter document never shrinks the array.
    ASSERT_TRUE(doc.Load("<r/>"));
    EXPECT_EQ(doc.RecordCount(), 18);
}

// A record is taken before the parser knows whether a `<` opens an element
// or the parent's end tag, so the probe for the end tag can grow the array.
TEST(XmlLoad, RecordsGrowByHalfWhenFull)
{
    const struct {
        int elements;
        int records;
    } steps[] = {{16, 18}, {17, 27}, {25, 27}, {26, 40}, {39, 60}};
    for (const auto& step : steps) {
        std::string body = "<r>" + Repeat("<e/>", step.elements - 1);
        std::string document = body + std::string(640 - body.size() - 4, ' ') + "</r>";
        ASSERT_EQ(document.size(), 640u);
        XmlDocument doc;
        ASSERT_TRUE(doc.Load(document.c_str()));
        EXPECT_EQ(doc.ElementCount(), step.elements);
        EXPECT_EQ(doc.RecordCount(), step.records) << step.elements << " elements";
        EXPECT_EQ(ChildNames(doc).size(), static_cast<size_t>(step.elements - 1));
    }
}

TEST(XmlLoad, NestingUpToTheLimitLoads)
{
    const int depth = XmlDocument::kMaxDepth;
    std::string document = Repeat("<a>", depth) + Repeat("</a>", depth);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(document.c_str()));
    EXPECT_EQ(doc.ElementCount(), depth);
    // The deepest element is reachable.
    int levels = 1;
    doc.FindElement();
    while (doc.FindChildElement() && doc.IntoElement()) {
        ++levels;
    }
    EXPECT_EQ(levels, depth);
}

// Regression: each nesting level used to take a stack frame without bound.
TEST(XmlLoad, DeepNestingFailsInsteadOfOverflowingTheStack)
{
    for (int depth : {XmlDocument::kMaxDepth + 1, 100000}) {
        std::string document = Repeat("<a>", depth) + Repeat("</a>", depth);
        XmlDocument doc;
        EXPECT_FALSE(doc.Load(document.c_str())) << depth;
        EXPECT_EQ(doc.GetErrorText(), "Elements nested too deeply") << depth;
        EXPECT_FALSE(doc.HasRoot());
    }
    // Deep but unclosed, and deep empty elements at the limit.
    XmlDocument doc;
    EXPECT_FALSE(doc.Load(Repeat("<a>", 100000).c_str()));
    EXPECT_EQ(doc.GetErrorText(), "Elements nested too deeply");
    std::string atLimit =
        Repeat("<a>", XmlDocument::kMaxDepth - 1) + "<b/>" + Repeat("</a>", XmlDocument::kMaxDepth - 1);
    EXPECT_TRUE(doc.Load(atLimit.c_str()));
}
