// GetFileAndParse through Praxel.dll against the provider stand-in: the
// example document, failed transfers, the 2048-byte response buffer and the
// request address as the server sees it.
#include "update/ManifestReader.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ManifestFixtures.h"
#include "ProviderControl.h"

using Update::EntityStack;
using Update::Property;
using Update::PropertyStack;

namespace {

// Sets the document answered to ?action=update; options as the stand-in's
// answer endpoint takes them ("&status=500", "&cut=60").
void SetUpdateAnswer(const std::string& document, const std::string& options = "")
{
    ASSERT_TRUE(provider::Post("/_control/answer?action=update" + options, document));
}

class ManifestFetch : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(provider::BaseUrl().empty()) << "run beside the provider stand-in";
        ASSERT_TRUE(provider::Reset());
        page = provider::BaseUrl() + "/update/page.asp";
    }

    bool Fetch(const char* user, const char* action = "update")
    {
        return Update::GetFileAndParse(page.c_str(), user, action, properties, entities);
    }

    void ExpectNothingPushed()
    {
        EXPECT_EQ(properties.GetSize(), 0u);
        EXPECT_EQ(entities.GetSize(), 0u);
    }

    std::string page;
    PropertyStack properties;
    EntityStack entities;
};

// A document of exactly size bytes: the example's properties, then padding
// text (ignored by the reader) before the end tag.
std::string DocumentOfSize(size_t size)
{
    const std::string head = "<config><data-update name=\"Fits\" value=\"yes\"/>";
    const std::string tail = "</config>";
    return head + std::string(size - head.size() - tail.size(), ' ') + tail;
}

} // namespace

TEST_F(ManifestFetch, ExampleDocumentFillsTheStacks)
{
    SetUpdateAnswer(Fixture("example.xml"));
    ASSERT_TRUE(Fetch("jsmith"));
    ASSERT_EQ(properties.GetSize(), 2u);
    ASSERT_EQ(entities.GetSize(), 1u);
    Property first = properties.Pop();
    EXPECT_STREQ(first.GetName(), "UpdatePage");
    EXPECT_STREQ(properties.Pop().GetName(), "UserStatURLInterval");
    Update::Entity dialler = entities.Pop();
    EXPECT_STREQ(dialler.GetName(), "dialler");
    ASSERT_EQ(dialler.GetFileStack().GetSize(), 2u);
    EXPECT_STREQ(dialler.GetFileStack().ItemAt(0)->GetName(), "Tovrin.exe");
    EXPECT_STREQ(dialler.GetFileStack().ItemAt(1)->GetVersion().ToString(), "1.0.2");
}

TEST_F(ManifestFetch, PlainUserNameIsSentUnchanged)
{
    SetUpdateAnswer(Fixture("example.xml"));
    ASSERT_TRUE(Fetch("jsmith"));
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "/update/page.asp");
    EXPECT_EQ(log[0].query, "action=update&user=jsmith");
}

TEST_F(ManifestFetch, UserNameIsPercentEncoded)
{
    SetUpdateAnswer(Fixture("example.xml"));
    ASSERT_TRUE(Fetch("a&b c#%="));
    const auto log = provider::Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].query, "action=update&user=a%26b%20c%23%25%3D");
    // Decoded by the server, the name comes back exactly and adds no field.
    EXPECT_EQ(log[0].user, "a&b c#%=");
    EXPECT_EQ(log[0].action, "update");
    EXPECT_EQ(log[0].line.find("\"b c"), std::string::npos) << log[0].line;
}

TEST_F(ManifestFetch, UnreachableServerFails)
{
    // Nothing listens on port 1 of the loopback address.
    EXPECT_FALSE(Update::GetFileAndParse("http://127.0.0.1:1/page.asp", "jsmith", "update", properties,
                                         entities));
    ExpectNothingPushed();
}

TEST_F(ManifestFetch, ErrorStatusFailsEvenWithADocument)
{
    // No answer set: 404.
    EXPECT_FALSE(Fetch("jsmith"));
    SetUpdateAnswer(Fixture("example.xml"), "&status=500");
    EXPECT_FALSE(Fetch("jsmith"));
    ExpectNothingPushed();
}

TEST_F(ManifestFetch, CutShortAnswerFailsAndKeepsEarlierItems)
{
    Property earlier;
    earlier.SetName("Earlier");
    properties.Push(earlier);
    SetUpdateAnswer(Fixture("example.xml"), "&cut=120");
    EXPECT_FALSE(Fetch("jsmith"));
    ASSERT_EQ(properties.GetSize(), 1u);
    EXPECT_STREQ(properties.Pop().GetName(), "Earlier");
    EXPECT_EQ(entities.GetSize(), 0u);
}

TEST_F(ManifestFetch, RootWithoutChildrenFails)
{
    SetUpdateAnswer(Fixture("root-only.xml"));
    EXPECT_FALSE(Fetch("jsmith"));
    ExpectNothingPushed();
}

TEST_F(ManifestFetch, ResponseBufferHolds2046BytesOfDocument)
{
    // The transfer keeps size - 2 bytes of the body and adds a line end.
    SetUpdateAnswer(DocumentOfSize(2046));
    ASSERT_TRUE(Fetch("jsmith"));
    EXPECT_STREQ(properties.Pop().GetName(), "Fits");

    // One byte more loses the end tag's '>': the document no longer loads.
    SetUpdateAnswer(DocumentOfSize(2047));
    EXPECT_FALSE(Fetch("jsmith"));
    SetUpdateAnswer(DocumentOfSize(5000));
    EXPECT_FALSE(Fetch("jsmith"));
    ExpectNothingPushed();
}

TEST_F(ManifestFetch, OverlongQueryMakesNoRequest)
{
    SetUpdateAnswer(Fixture("example.xml"));
    // The longest stored texts still fit: a 259-byte address and a 255-byte
    // user name, every byte of it encoded.
    std::string longestPage = provider::BaseUrl() + "/";
    longestPage += std::string(259 - longestPage.size(), 'p');
    EXPECT_TRUE(Update::GetFileAndParse(longestPage.c_str(), std::string(255, '&').c_str(), "update",
                                        properties, entities));
    EXPECT_EQ(provider::Log().size(), 1u);

    properties.Pop();
    properties.Pop();
    entities.Pop();
    ExpectNothingPushed();
    const std::string hugeUser(400, '&');
    EXPECT_FALSE(Fetch(hugeUser.c_str()));
    const std::string hugePage = page + std::string(1300, 'p');
    EXPECT_FALSE(Update::GetFileAndParse(hugePage.c_str(), "jsmith", "update", properties, entities));
    ExpectNothingPushed();
    EXPECT_EQ(provider::Log().size(), 1u);
}

TEST_F(ManifestFetch, UserstatActionIsSentAsGiven)
{
    ASSERT_TRUE(provider::Post("/_control/answer?action=userstat",
                               "<stats><data-update name=\"TimeUsed\" value=\"12\"/></stats>"));
    ASSERT_TRUE(Fetch("jsmith", "userstat"));
    EXPECT_STREQ(properties.Pop().GetValue(), "12");
    ASSERT_EQ(provider::Log().size(), 1u);
    EXPECT_EQ(provider::Log()[0].query, "action=userstat&user=jsmith");
}

TEST_F(ManifestFetch, ConcurrentCallsEachGetTheirOwnAnswer)
{
    // Near-full answers, so one call's transfer overlaps another's parse.
    const auto answer = [](const char* name) {
        std::string document = "<config>";
        while (document.size() < 1900)
            document += std::string("<data-update name=\"") + name + "\" value=\"v\"/>";
        return document + "</config>";
    };
    ASSERT_TRUE(provider::Post("/_control/answer?action=update", answer("U")));
    ASSERT_TRUE(provider::Post("/_control/answer?action=userstat", answer("S")));

    int mixed[4] = {};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            const char* action = t % 2 ? "userstat" : "update";
            const char* name = t % 2 ? "S" : "U";
            for (int i = 0; i < 40; ++i) {
                PropertyStack own;
                EntityStack none;
                const bool fetched = Update::GetFileAndParse(page.c_str(), "jsmith", action, own, none);
                bool right = fetched && own.GetSize() > 0;
                while (own.GetSize() > 0)
                    right = std::string(own.Pop().GetName()) == name && right;
                mixed[t] += !right;
            }
        });
    }
    for (std::thread& caller : callers)
        caller.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(mixed[t], 0) << "caller " << t;
}
