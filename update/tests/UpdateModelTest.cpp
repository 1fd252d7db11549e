// The update data model: the 64-byte text rule, stack order and the order
// reversals of stack assignment and entity copies.
#include "update/UpdateModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Update::Entity;
using Update::EntityStack;
using Update::File;
using Update::Property;
using Update::PropertyStack;

namespace {

Property MakeProperty(const char* name, const char* value = "")
{
    Property property;
    property.SetName(name);
    property.SetValue(value);
    return property;
}

File MakeFile(const char* name)
{
    File file;
    file.SetName(name);
    return file;
}

// Builds an entity whose file stack holds names top to bottom.
Entity MakeEntity(const char* name, const std::vector<std::string>& topToBottom)
{
    Entity entity;
    entity.SetName(name);
    for (auto it = topToBottom.rbegin(); it != topToBottom.rend(); ++it)
        entity.AddFile(MakeFile(it->c_str()));
    return entity;
}

std::vector<std::string> FileNames(const Entity& entity)
{
    std::vector<std::string> names;
    const SimpleStack<File>& files = entity.GetFileStack();
    for (unsigned int i = 0; i < files.GetSize(); ++i)
        names.push_back(files.ItemAt(i)->GetName());
    return names;
}

std::vector<std::string> PopAllNames(PropertyStack& stack)
{
    std::vector<std::string> names;
    while (stack.GetSize() > 0)
        names.push_back(stack.Pop().GetName());
    return names;
}

using Names = std::vector<std::string>;

} // namespace

TEST(TextRule, KeepsAtMost64Bytes)
{
    const std::string exact(64, 'a');
    const std::string longer = std::string(64, 'b') + "X";
    const std::string url100(100, 'u');

    Property property;
    property.SetName(exact.c_str());
    property.SetValue(longer.c_str());
    EXPECT_EQ(property.GetName(), exact);
    EXPECT_EQ(property.GetValue(), std::string(64, 'b'));

    File file;
    file.SetName(longer.c_str());
    file.SetUrl(url100.c_str());
    EXPECT_EQ(file.GetName(), std::string(64, 'b'));
    EXPECT_EQ(file.GetUrl(), std::string(64, 'u'));

    Entity entity;
    entity.SetName(longer.c_str());
    EXPECT_EQ(entity.GetName(), std::string(64, 'b'));
}

TEST(TextRule, NullTextAndOwnFieldAreSafe)
{
    Property property = MakeProperty("name", "value");
    property.SetName(nullptr);
    EXPECT_STREQ(property.GetName(), "");
    property.SetValue(property.GetValue());
    EXPECT_STREQ(property.GetValue(), "value");
}

TEST(TextRule, CopiesKeepEveryField)
{
    File file;
    file.SetName("Tovrin.exe");
    file.SetUrl("http://127.0.0.1/Tovrin.exe");
    file.SetVersion("1.0.4");
    file.SetSize(245760u);
    file.SetCompressed();
    file.SetGzSize(120000u);
    file.SetPatch(VersionHandler::AsVersionHandler("1.0.3"), 562u);

    File copy(file);
    File assigned;
    assigned = file;
    for (const File* f : {&copy, &assigned}) {
        EXPECT_STREQ(f->GetName(), "Tovrin.exe");
        EXPECT_STREQ(f->GetUrl(), "http://127.0.0.1/Tovrin.exe");
        EXPECT_STREQ(f->GetVersion().ToString(), "1.0.4");
        EXPECT_EQ(f->GetSize(), 245760u);
        EXPECT_TRUE(f->IsCompressed());
        EXPECT_EQ(f->GetGzSize(), 120000u);
        EXPECT_STREQ(f->GetPatchFrom().ToString(), "1.0.3");
        EXPECT_EQ(f->GetPatchSize(), 562u);
    }

    Property property = MakeProperty("UpdatePage", "http://127.0.0.1/");
    Property other;
    other = property;
    EXPECT_STREQ(other.GetName(), "UpdatePage");
    EXPECT_STREQ(other.GetValue(), "http://127.0.0.1/");
}

TEST(FileFields, DefaultsAreEmpty)
{
    File file;
    EXPECT_STREQ(file.GetName(), "");
    EXPECT_STREQ(file.GetUrl(), "");
    EXPECT_STREQ(file.GetVersion().ToString(), "0.0.0");
    EXPECT_EQ(file.GetSize(), 0u);
    EXPECT_FALSE(file.IsCompressed());
    EXPECT_EQ(file.GetGzSize(), 0u);
    EXPECT_FALSE(file.HasPatch());
}

TEST(FileFields, SizeTextReadsLikeAtoi)
{
    File file;
    file.SetSize("123abc");
    EXPECT_EQ(file.GetSize(), 123u);
    file.SetSize("");
    EXPECT_EQ(file.GetSize(), 0u);
    file.SetSize("-1");
    EXPECT_EQ(file.GetSize(), 4294967295u);
    file.SetSize("  \t+42");
    EXPECT_EQ(file.GetSize(), 42u);
    file.SetSize("abc");
    EXPECT_EQ(file.GetSize(), 0u);
    // Far beyond 32 bits: wraps instead of overflowing.
    file.SetSize("99999999999999999999999");
    file.SetSize(nullptr);
    EXPECT_EQ(file.GetSize(), 0u);
}

TEST(FileFields, VersionFromTextAndHandler)
{
    File file;
    file.SetVersion("1.2");
    EXPECT_STREQ(file.GetVersion().ToString(), "1.2.0");
    VersionHandler version;
    version.Set(3, 4, 5);
    file.SetVersion(version);
    EXPECT_STREQ(file.GetVersion().ToString(), "3.4.5");
    EXPECT_TRUE(file.GetVersion() == version);
}

TEST(StackOrder, PopsInReverseAndEmptyPopIsHarmless)
{
    PropertyStack stack;
    stack.Push(MakeProperty("A"));
    stack.Push(MakeProperty("B"));
    stack.Push(MakeProperty("C"));
    ASSERT_EQ(stack.GetSize(), 3u);
    EXPECT_STREQ(stack.Pop().GetName(), "C");
    EXPECT_STREQ(stack.Pop().GetName(), "B");
    EXPECT_STREQ(stack.Pop().GetName(), "A");
    Property empty = stack.Pop();
    EXPECT_STREQ(empty.GetName(), "");
    EXPECT_STREQ(empty.GetValue(), "");
    EXPECT_EQ(stack.GetSize(), 0u);
}

TEST(StackOrder, PushStoresACopy)
{
    PropertyStack stack;
    Property property = MakeProperty("before");
    stack.Push(property);
    property.SetName("after");
    EXPECT_STREQ(stack.Pop().GetName(), "before");
}

TEST(StackAssignment, ReversesIntoEmptyAndAppendsAboveExisting)
{
    PropertyStack source;  // top to bottom: A, B
    source.Push(MakeProperty("B"));
    source.Push(MakeProperty("A"));

    PropertyStack empty;
    empty = source;
    EXPECT_EQ(PopAllNames(empty), (Names{"B", "A"}));

    PropertyStack holdingX;
    holdingX.Push(MakeProperty("X"));
    holdingX = source;
    EXPECT_EQ(PopAllNames(holdingX), (Names{"B", "A", "X"}));

    // The source is left as it was, and owns its own nodes.
    EXPECT_EQ(PopAllNames(source), (Names{"A", "B"}));
}

TEST(StackAssignment, SelfAssignmentChangesNothing)
{
    PropertyStack stack;
    stack.Push(MakeProperty("B"));
    stack.Push(MakeProperty("A"));
    PropertyStack& same = stack;
    stack = same;
    EXPECT_EQ(PopAllNames(stack), (Names{"A", "B"}));
}

TEST(StackWalk, ItemAtReadsFromTheTop)
{
    PropertyStack stack;
    stack.Push(MakeProperty("bottom"));
    stack.Push(MakeProperty("top"));
    ASSERT_NE(stack.ItemAt(0), nullptr);
    EXPECT_STREQ(stack.ItemAt(0)->GetName(), "top");
    EXPECT_STREQ(stack.ItemAt(1)->GetName(), "bottom");
    EXPECT_EQ(stack.ItemAt(2), nullptr);
}

TEST(EntityCopy, CopyReversesFiles)
{
    Entity original = MakeEntity("dialler", {"f1", "f2", "f3"});
    ASSERT_EQ(FileNames(original), (Names{"f1", "f2", "f3"}));

    Entity copy(original);
    EXPECT_STREQ(copy.GetName(), "dialler");
    EXPECT_EQ(FileNames(copy), (Names{"f3", "f2", "f1"}));
    EXPECT_EQ(FileNames(original), (Names{"f1", "f2", "f3"}));
}

TEST(EntityCopy, AssignmentAppendsAboveExistingFiles)
{
    Entity target = MakeEntity("old", {"x"});
    target = MakeEntity("new", {"f1", "f2"});
    EXPECT_STREQ(target.GetName(), "new");
    EXPECT_EQ(FileNames(target), (Names{"f2", "f1", "x"}));

    target = target;
    EXPECT_EQ(FileNames(target), (Names{"f2", "f1", "x"}));
}

TEST(EntityCopy, StackRoundTripReturnsTheStoredOrder)
{
    EntityStack stack;
    stack.Push(MakeEntity("dialler", {"f1", "f2", "f3"}));
    ASSERT_EQ(stack.GetSize(), 1u);
    Entity popped = stack.Pop();
    EXPECT_STREQ(popped.GetName(), "dialler");
    EXPECT_EQ(FileNames(popped), (Names{"f3", "f2", "f1"}));

    Entity empty = stack.Pop();
    EXPECT_STREQ(empty.GetName(), "");
    EXPECT_EQ(empty.GetFileStack().GetSize(), 0u);
    EXPECT_EQ(stack.GetSize(), 0u);
}

TEST(EntityCopy, PoppedEntityIsIndependentOfTheStack)
{
    EntityStack stack;
    stack.Push(MakeEntity("first", {"a"}));
    stack.Push(MakeEntity("second", {"b", "c"}));
    Entity second = stack.Pop();
    Entity first = stack.Pop();
    EXPECT_EQ(FileNames(second), (Names{"c", "b"}));
    EXPECT_EQ(FileNames(first), (Names{"a"}));
}

// Under AddressSanitizer a leaked entity or file fails the run.
TEST(Ownership, DestroyingFullStacksFreesEverything)
{
    auto* entities = new EntityStack;
    for (int i = 0; i < 5; ++i)
        entities->Push(MakeEntity("e", {"f1", "f2", "f3"}));
    entities->Pop();
    delete entities;

    SimpleStack<Entity>* asBase = new EntityStack;
    asBase->Push(MakeEntity("e", {"f"}));
    delete asBase;  // the virtual destructor reaches the derived one

    PropertyStack properties;
    properties.Push(MakeProperty("left", "behind"));
}
