// ParseXML on the server document format, with the documents under
// data/manifests. Built twice: against the portable library and, in the
// Windows build, through Praxel.dll, so the stacks are filled across the
// library boundary and emptied by the program.
#include "update/ManifestReader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ManifestFixtures.h"

using Update::Entity;
using Update::EntityStack;
using Update::File;
using Update::Property;
using Update::PropertyStack;

namespace {

struct Parsed {
    PropertyStack properties;
    EntityStack entities;
    bool ok = false;
};

void ParseFixture(const char* name, Parsed& parsed)
{
    parsed.ok = Update::ParseXML(Fixture(name).c_str(), parsed.properties, parsed.entities);
}

std::vector<std::string> FileNames(const Entity& entity)
{
    std::vector<std::string> names;
    const SimpleStack<File>& files = entity.GetFileStack();
    for (unsigned int i = 0; i < files.GetSize(); ++i)
        names.push_back(files.ItemAt(i)->GetName());
    return names;
}

const File& FileAt(const Entity& entity, unsigned int fromTop)
{
    const File* file = entity.GetFileStack().ItemAt(fromTop);
    static const File none;
    return file ? *file : none;
}

using Names = std::vector<std::string>;

} // namespace

TEST(ParseXMLDocument, ExampleGivesPropertiesLastFirstAndFilesInDocumentOrder)
{
    Parsed parsed;
    ParseFixture("example.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    ASSERT_EQ(parsed.properties.GetSize(), 2u);
    ASSERT_EQ(parsed.entities.GetSize(), 1u);

    Property first = parsed.properties.Pop();
    EXPECT_STREQ(first.GetName(), "UpdatePage");
    EXPECT_STREQ(first.GetValue(), "http://127.0.0.1/update/page.asp");
    Property second = parsed.properties.Pop();
    EXPECT_STREQ(second.GetName(), "UserStatURLInterval");
    EXPECT_STREQ(second.GetValue(), "300");

    Entity dialler = parsed.entities.Pop();
    EXPECT_STREQ(dialler.GetName(), "dialler");
    // The stored copy holds the document's first file on top, the order the
    // download thread works in.
    ASSERT_EQ(FileNames(dialler), (Names{"Tovrin.exe", "Utils.dll"}));
    const File& exe = FileAt(dialler, 0);
    EXPECT_STREQ(exe.GetUrl(), "http://127.0.0.1/files/Tovrin.exe");
    EXPECT_STREQ(exe.GetVersion().ToString(), "1.0.4");
    EXPECT_EQ(exe.GetSize(), 245760u);
    EXPECT_FALSE(exe.IsCompressed());
    // An answer without the smaller forms offers only the whole file.
    EXPECT_EQ(exe.GetGzSize(), 0u);
    EXPECT_FALSE(exe.HasPatch());
    const File& dll = FileAt(dialler, 1);
    EXPECT_STREQ(dll.GetUrl(), "http://127.0.0.1/files/Utils.dll");
    EXPECT_STREQ(dll.GetVersion().ToString(), "1.0.2");
    EXPECT_EQ(dll.GetSize(), 53248u);
}

// The same document signed (root stamps, file digests, the signature
// comment after the root, and more after that): a reader that does not check
// signatures stops at the root's end and sees what it saw before.
TEST(ParseXMLDocument, SignedAnswerReadsLikeTheUnsignedOne)
{
    Parsed plain, signedAnswer;
    ParseFixture("example.xml", plain);
    ParseFixture("signed-example.xml", signedAnswer);
    ASSERT_TRUE(plain.ok && signedAnswer.ok);
    ASSERT_EQ(signedAnswer.properties.GetSize(), plain.properties.GetSize());
    while (plain.properties.GetSize() > 0) {
        Property expected = plain.properties.Pop();
        Property got = signedAnswer.properties.Pop();
        EXPECT_STREQ(got.GetName(), expected.GetName());
        EXPECT_STREQ(got.GetValue(), expected.GetValue());
    }
    ASSERT_EQ(signedAnswer.entities.GetSize(), 1u);
    Entity expected = plain.entities.Pop();
    Entity got = signedAnswer.entities.Pop();
    ASSERT_EQ(FileNames(got), FileNames(expected));
    for (unsigned int i = 0; i < 2; ++i) {
        EXPECT_STREQ(FileAt(got, i).GetUrl(), FileAt(expected, i).GetUrl());
        EXPECT_STREQ(FileAt(got, i).GetVersion().ToString(), FileAt(expected, i).GetVersion().ToString());
        EXPECT_EQ(FileAt(got, i).GetSize(), FileAt(expected, i).GetSize());
        EXPECT_FALSE(FileAt(expected, i).HasSha256());
        EXPECT_TRUE(FileAt(got, i).HasSha256()) << "either case of hex digits";
    }
    EXPECT_EQ(FileAt(got, 0).GetSha256()[0], 0x9f);
    EXPECT_EQ(FileAt(got, 1).GetSha256()[31], 0x52);
}

TEST(ParseXMLDocument, TwoEntitiesKeepTheirOwnFilesAndPopLastFirst)
{
    Parsed parsed;
    ParseFixture("two-entities.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    ASSERT_EQ(parsed.entities.GetSize(), 2u);
    EXPECT_EQ(parsed.properties.GetSize(), 1u);
    Entity second = parsed.entities.Pop();
    Entity first = parsed.entities.Pop();
    EXPECT_STREQ(second.GetName(), "second");
    EXPECT_EQ(FileNames(second), (Names{"c.dll"}));
    EXPECT_STREQ(first.GetName(), "first");
    EXPECT_EQ(FileNames(first), (Names{"a.exe", "b.dll"}));
}

TEST(ParseXMLDocument, ExistingItemsStayBeneathTheNewOnes)
{
    Parsed parsed;
    Property old;
    old.SetName("Old");
    parsed.properties.Push(old);
    Entity oldEntity;
    oldEntity.SetName("oldEntity");
    parsed.entities.Push(oldEntity);

    ParseFixture("example.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    ASSERT_EQ(parsed.properties.GetSize(), 3u);
    ASSERT_EQ(parsed.entities.GetSize(), 2u);
    EXPECT_STREQ(parsed.properties.Pop().GetName(), "UpdatePage");
    EXPECT_STREQ(parsed.properties.Pop().GetName(), "UserStatURLInterval");
    EXPECT_STREQ(parsed.properties.Pop().GetName(), "Old");
    EXPECT_STREQ(parsed.entities.Pop().GetName(), "dialler");
    EXPECT_STREQ(parsed.entities.Pop().GetName(), "oldEntity");
}

// Documents that push nothing: refused ones, and accepted ones with nothing
// the reader keeps.
struct NothingPushed {
    const char* name;
    const char* fixture;
    bool accepted;
};

class ParseXMLNothingPushed : public ::testing::TestWithParam<NothingPushed> {};

TEST_P(ParseXMLNothingPushed, StacksStayEmpty)
{
    Parsed parsed;
    ParseFixture(GetParam().fixture, parsed);
    EXPECT_EQ(parsed.ok, GetParam().accepted);
    EXPECT_EQ(parsed.properties.GetSize(), 0u);
    EXPECT_EQ(parsed.entities.GetSize(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ParseXMLNothingPushed,
    ::testing::Values(NothingPushed{"RootWithoutChildrenIsRefused", "root-only.xml", false},
                      NothingPushed{"UnterminatedDocumentIsRefused", "unterminated.xml", false},
                      NothingPushed{"UnknownChildIsAccepted", "unknown-child.xml", true},
                      NothingPushed{"EntityWithoutFilesIsNotPushed", "entity-without-files.xml", true}),
    [](const ::testing::TestParamInfo<NothingPushed>& info) { return std::string(info.param.name); });

TEST(ParseXMLRefusal, DocumentsThatDoNotLoadPushNothing)
{
    Parsed parsed;
    for (const char* text : {"", "not xml at all", "</config>", "<config><a></b></config>"}) {
        EXPECT_FALSE(Update::ParseXML(text, parsed.properties, parsed.entities)) << text;
    }
    EXPECT_FALSE(Update::ParseXML(nullptr, parsed.properties, parsed.entities));
    EXPECT_EQ(parsed.properties.GetSize(), 0u);
    EXPECT_EQ(parsed.entities.GetSize(), 0u);
}

TEST(ParseXMLSkipping, MisplacedElementsAreIgnored)
{
    Parsed parsed;
    ParseFixture("misplaced.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    ASSERT_EQ(parsed.properties.GetSize(), 1u);
    Property outer = parsed.properties.Pop();
    EXPECT_STREQ(outer.GetName(), "Outer");
    EXPECT_STREQ(outer.GetValue(), "kept");
    ASSERT_EQ(parsed.entities.GetSize(), 1u);
    Entity holder = parsed.entities.Pop();
    EXPECT_STREQ(holder.GetName(), "holder");
    EXPECT_EQ(FileNames(holder), (Names{"kept.dll"}));
}

TEST(ParseXMLAttributes, CompressedOnlyForYesInAnyCase)
{
    Parsed parsed;
    ParseFixture("compressed-values.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    Entity flags = parsed.entities.Pop();
    ASSERT_EQ(FileNames(flags), (Names{"upper", "mixed", "true", "one", "longer", "none"}));
    const bool expected[] = {true, true, false, false, false, false};
    for (unsigned int i = 0; i < 6; ++i)
        EXPECT_EQ(FileAt(flags, i).IsCompressed(), expected[i]) << FileAt(flags, i).GetName();
}

TEST(ParseXMLAttributes, MissingVersionAndSuffixedSize)
{
    Parsed parsed;
    ParseFixture("file-attributes.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    Entity odd = parsed.entities.Pop();
    const File& file = FileAt(odd, 0);
    EXPECT_STREQ(file.GetName(), "noversion.dll");
    EXPECT_STREQ(file.GetVersion().ToString(), "0.0.0");
    EXPECT_EQ(file.GetSize(), 12u);
}

TEST(ParseXMLAttributes, EntityReferencesAreDecodedInValues)
{
    Parsed parsed;
    ParseFixture("escaped-value.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    Property message = parsed.properties.Pop();
    EXPECT_STREQ(message.GetName(), "Message");
    EXPECT_STREQ(message.GetValue(), "Tom & Jerry <3");
}

TEST(ParseXMLAttributes, LongValuesKeepTheirFirst64Bytes)
{
    const std::string longValue(100, 'v');
    const std::string document =
        "<config><data-update name=\"Long\" value=\"" + longValue + "\"/>"
        "<entity name=\"e\"><file name=\"f\" url=\"http://127.0.0.1/" + longValue + "\"/></entity></config>";
    Parsed parsed;
    ASSERT_TRUE(Update::ParseXML(document.c_str(), parsed.properties, parsed.entities));
    EXPECT_EQ(std::string(parsed.properties.Pop().GetValue()), std::string(64, 'v'));
    Entity entity = parsed.entities.Pop();
    EXPECT_EQ(std::string(FileAt(entity, 0).GetUrl()), ("http://127.0.0.1/" + longValue).substr(0, 64));
}

TEST(ParseXMLAttributes, SizeReadsEveryDigitPastThe64ByteCap)
{
    const std::string document = "<config><entity name=\"e\"><file name=\"f\" size=\"" + std::string(90, '0') +
                                 "245760\"/></entity></config>";
    Parsed parsed;
    ASSERT_TRUE(Update::ParseXML(document.c_str(), parsed.properties, parsed.entities));
    Entity entity = parsed.entities.Pop();
    EXPECT_EQ(FileAt(entity, 0).GetSize(), 245760u);
}

TEST(ParseXMLAttributes, SizeThatIsNotPlainDigitsOrOverTheCapIsUnusable)
{
    const std::pair<const char*, bool> cases[] = {
        {"0", true},   {"67108864", true}, {"00012", true},     {"-1", false}, {"12k", false},
        {" 5", false}, {"+5", false},      {"67108865", false}, {"", false},   {"4294967296", false}};
    for (const auto& [text, usable] : cases) {
        const std::string document =
            std::string("<config><entity name=\"e\"><file name=\"f\" size=\"") + text + "\"/></entity></config>";
        Parsed parsed;
        ASSERT_TRUE(Update::ParseXML(document.c_str(), parsed.properties, parsed.entities));
        Entity entity = parsed.entities.Pop();
        EXPECT_EQ(FileAt(entity, 0).HasUsableSize(), usable) << '"' << text << '"';
    }
}

// The smaller forms are offered only with plain digits from 1 to 4294967295;
// a patch needs both its length and the version it starts from.
TEST(ParseXMLAttributes, SmallerFormsOnlyWithWellFormedLengths)
{
    Parsed parsed;
    ParseFixture("smaller-forms.xml", parsed);
    ASSERT_TRUE(parsed.ok);
    Entity forms = parsed.entities.Pop();
    ASSERT_EQ(FileNames(forms),
              (Names{"both.dll", "gzonly.dll", "nofrom.dll", "nolength.dll", "signed.dll", "spaced.dll", "long.dll"}));
    const unsigned int gz[] = {33752u, 4294967295u, 0, 0, 0, 0, 0};
    const unsigned int patch[] = {562u, 0, 0, 0, 0, 0, 9u};
    for (unsigned int i = 0; i < 7; ++i) {
        const File& file = FileAt(forms, i);
        EXPECT_EQ(file.GetGzSize(), gz[i]) << file.GetName();
        EXPECT_EQ(file.GetPatchSize(), patch[i]) << file.GetName();
        EXPECT_EQ(file.HasPatch(), patch[i] != 0) << file.GetName();
    }
    EXPECT_STREQ(FileAt(forms, 0).GetPatchFrom().ToString(), "1.0.0");
    EXPECT_EQ(FileAt(forms, 0).GetSize(), 67584u);
    EXPECT_FALSE(FileAt(forms, 0).IsCompressed());
    EXPECT_STREQ(FileAt(forms, 6).GetPatchFrom().ToString(), "2.3.0");
}
