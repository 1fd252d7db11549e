// Cursor navigation: the walk the manifest reader makes, named searches and
// the positions left behind by failed moves.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "update/XmlDocument.h"
#include "update/tests/XmlFixtures.h"

TEST(XmlNavigation, ManifestWalkReadsEveryElementInOrder)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(ReadXmlFixture("manifest.xml").c_str()));
    ASSERT_TRUE(doc.HasRoot());

    ASSERT_TRUE(doc.FindChildElement()); // steps onto the root and its first child
    EXPECT_EQ(doc.GetChildTagName(), "data-update");
    EXPECT_EQ(doc.GetChildAttribute("name"), "UserStatURLInterval");
    EXPECT_EQ(doc.GetChildAttribute("value"), "300");

    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildAttribute("value"), "http://127.0.0.1:8080/update.php?a=1&b=2");

    ASSERT_TRUE(doc.FindChildElement());
    EXPECT_EQ(doc.GetChildTagName(), "entity");
    ASSERT_TRUE(doc.IntoElement());
    std::vector<std::string> files;
    while (doc.FindChildElement()) {
        EXPECT_EQ(doc.GetChildTagName(), "file");
        files.push_back(doc.GetChildAttribute("name") + "@" + doc.GetChildAttribute("version"));
    }
    EXPECT_EQ(files, (std::vector<std::string> {"Tovrin.exe@1.0.4", "Utils.dll@1.0.2"}));
    EXPECT_EQ(doc.GetAttribute("name"), "dialler");
    ASSERT_TRUE(doc.OutOfElement());

    EXPECT_FALSE(doc.FindChildElement()); // the entity was the root's last child
}

TEST(XmlNavigation, EachEntitySeesOnlyItsOwnChildren)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(ReadXmlFixture("nested-entities.xml").c_str()));
    std::vector<std::string> seen;
    while (doc.FindChildElement("entity")) {
        ASSERT_TRUE(doc.IntoElement());
        std::string line = doc.GetAttribute("name") + ":";
        while (doc.FindChildElement("file")) {
            line += " " + doc.GetChildAttribute("name");
        }
        seen.push_back(line);
        ASSERT_TRUE(doc.OutOfElement());
    }
    EXPECT_EQ(seen, (std::vector<std::string> {"first: a.dll b.dll", "second: c.dll", "empty:"}));
}

TEST(XmlNavigation, NamedSearchesCompareWholeNamesCaseSensitively)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r><files/><fil/><File/><file n='1'/><file n='2'/></r>"));
    ASSERT_TRUE(doc.FindChildElement("file"));
    EXPECT_EQ(doc.GetChildAttribute("n"), "1");
    ASSERT_TRUE(doc.FindChildElement("file"));
    EXPECT_EQ(doc.GetChildAttribute("n"), "2");
    EXPECT_FALSE(doc.FindChildElement("file"));
    EXPECT_EQ(doc.GetChildAttribute("n"), "2"); // a failed search leaves the position
}

TEST(XmlNavigation, FindElementMovesAmongSiblings)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r><a/><b/><a x='2'/></r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    EXPECT_FALSE(doc.FindElement()); // the root has no siblings
    ASSERT_TRUE(doc.FindChildElement("a"));
    ASSERT_TRUE(doc.IntoElement()); // current: the first a
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetAttribute("x"), "2");
    EXPECT_FALSE(doc.FindElement("b")); // b lies before the current element
    EXPECT_EQ(doc.GetAttribute("x"), "2");
}

TEST(XmlNavigation, MovesRefusedAtTheEdgesOfTheTree)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r><a/></r>"));
    EXPECT_FALSE(doc.IntoElement()); // no current element yet
    EXPECT_FALSE(doc.OutOfElement()); // already at the document level
    EXPECT_EQ(doc.GetChildTagName(), "");

    ASSERT_TRUE(doc.FindChildElement());
    ASSERT_TRUE(doc.IntoElement()); // into a, which has no children
    EXPECT_FALSE(doc.FindChildElement());
    EXPECT_EQ(doc.GetAttribute("any"), "");
    ASSERT_TRUE(doc.OutOfElement()); // the root is current again, a the child
    EXPECT_FALSE(doc.OutOfElement()); // the root's parent is the document
    EXPECT_EQ(doc.GetChildTagName(), "a");
}

TEST(XmlNavigation, IntoAnElementWithoutChildPositionLeavesNoCurrentElement)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<r a='1'><c/></r>"));
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.GetAttribute("a"), "1");
    ASSERT_TRUE(doc.IntoElement()); // child position was empty
    EXPECT_EQ(doc.GetAttribute("a"), "");
    EXPECT_FALSE(doc.IntoElement());
    ASSERT_TRUE(doc.OutOfElement());
    EXPECT_EQ(doc.GetAttribute("a"), "1");
}
