// Number tables: loading, seeding and rotation, against an in-memory store.
#include <gtest/gtest.h>

#include <map>
#include <stdio.h>
#include <string.h>
#include <string>

#include "dialler/AccessNumbers.h"
#include "dialler/NumberTable.h"

namespace {

class MemoryStore : public NumberStore {
public:
    std::map<std::string, std::string> values;
    bool refuseWrites = false;
    int writes = 0;

    bool Read(const char* name, char* value, int valueSize) override
    {
        auto it = values.find(name);
        snprintf(value, valueSize, "%s", it == values.end() ? "" : it->second.c_str());
        return it != values.end();
    }
    bool Write(const char* name, const char* value) override
    {
        ++writes;
        if (refuseWrites)
            return false;
        values[name] = value;
        return true;
    }
};

const char kDefault[] = "08081234567";

std::string Slot(const NumberTable& table, int n)
{
    return table.slots[n];
}

} // namespace

TEST(LoadNumberTable, ReadsNumberedValuesUpToFirstGap)
{
    MemoryStore store;
    store.values = {{"FreePhone1", "111"}, {"FreePhone2", "222"}, {"FreePhone4", "444"}};
    NumberTable table;
    EXPECT_EQ(2, LoadNumberTable(table, store, "FreePhone", kDefault, 2));
    EXPECT_EQ("111", Slot(table, 1));
    EXPECT_EQ("222", Slot(table, 2));
    EXPECT_EQ("", Slot(table, 3));
    EXPECT_EQ(0, store.writes);
}

TEST(LoadNumberTable, FreshStoreSeedsDefaultCopies)
{
    MemoryStore store;
    NumberTable table;
    EXPECT_EQ(2, LoadNumberTable(table, store, "FreePhone", kDefault, 2));
    EXPECT_EQ(kDefault, store.values["FreePhone1"]);
    EXPECT_EQ(kDefault, store.values["FreePhone2"]);
    EXPECT_EQ(0u, store.values.count("FreePhone3"));

    NumberTable local;
    EXPECT_EQ(1, LoadNumberTable(local, store, "LocalRatePhone", "08451234567", 1));
    EXPECT_EQ("08451234567", store.values["LocalRatePhone1"]);
    EXPECT_EQ(0u, store.values.count("LocalRatePhone2"));
}

TEST(LoadNumberTable, OlderUnnumberedValueSeedsTheList)
{
    MemoryStore store;
    store.values = {{"FreePhone", "0808999"}};
    NumberTable table;
    EXPECT_EQ(1, LoadNumberTable(table, store, "FreePhone", kDefault, 2));
    EXPECT_EQ("0808999", store.values["FreePhone1"]);
    EXPECT_EQ(0u, store.values.count("FreePhone2"));
    EXPECT_EQ("0808999", Slot(table, 1));
}

TEST(LoadNumberTable, SeedingThatCannotBeStoredUsesSeedFromMemory)
{
    MemoryStore store;
    store.refuseWrites = true;
    NumberTable table;
    EXPECT_EQ(2, LoadNumberTable(table, store, "FreePhone", kDefault, 2));
    EXPECT_EQ(kDefault, Slot(table, 1));
    EXPECT_EQ(kDefault, Slot(table, 2));
    EXPECT_EQ(2, store.writes) << "one write per seeded value, no retrying";
}

TEST(LoadNumberTable, NeverReadsMoreThanFifteenNumbers)
{
    MemoryStore store;
    for (int n = 1; n <= 20; ++n)
        store.values["FreePhone" + std::to_string(n)] = "0808" + std::to_string(n);
    NumberTable table;
    memset(&table, 'x', sizeof table);
    EXPECT_EQ(kMaxNumbers, LoadNumberTable(table, store, "FreePhone", kDefault, 2));
    EXPECT_EQ("080815", Slot(table, 15));
    EXPECT_EQ("", Slot(table, 16)) << "the rotation needs an empty slot after the last";
    EXPECT_EQ("", Slot(table, 0));
}

TEST(LoadNumberTable, OverlongNumberIsSkippedNotCut)
{
    MemoryStore store;
    store.values = {{"FreePhone1", "111"},
                    {"FreePhone2", std::string(32, '9')},
                    {"FreePhone3", std::string(31, '3')}};
    NumberTable table;
    EXPECT_EQ(2, LoadNumberTable(table, store, "FreePhone", kDefault, 2));
    EXPECT_EQ("111", Slot(table, 1));
    EXPECT_EQ(std::string(31, '3'), Slot(table, 2));
}

TEST(LoadNumberTable, OverlongOlderValueFallsBackToDefault)
{
    MemoryStore store;
    store.values = {{"FreePhone", std::string(40, '1')}};
    NumberTable table;
    EXPECT_EQ(2, LoadNumberTable(table, store, "FreePhone", kDefault, 2));
    EXPECT_EQ(kDefault, Slot(table, 1));
}

TEST(NextNumberInTable, RotatesAndWrapsAfterLast)
{
    NumberTable table;
    ClearNumberTable(table);
    snprintf(table.slots[1], kNumberLength, "1");
    snprintf(table.slots[2], kNumberLength, "2");
    snprintf(table.slots[3], kNumberLength, "3");
    int32_t index = 0;
    std::string seen;
    for (int i = 0; i < 5; ++i)
        seen += NextNumberInTable(table, index);
    EXPECT_EQ("12312", seen);
    EXPECT_EQ(2, index);
}

TEST(NextNumberInTable, FullTableStaysInBounds)
{
    NumberTable table;
    ClearNumberTable(table);
    for (int n = 1; n <= kMaxNumbers; ++n)
        snprintf(table.slots[n], kNumberLength, "%i", n);
    int32_t index = kMaxNumbers;
    EXPECT_STREQ("1", NextNumberInTable(table, index));
    index = 1000;  // corrupt index from elsewhere: still a valid slot
    EXPECT_STREQ("1", NextNumberInTable(table, index));
    EXPECT_EQ(1, index);
}

TEST(NextNumberInTable, EmptyTableGivesEmptyText)
{
    NumberTable table;
    ClearNumberTable(table);
    int32_t index = 0;
    EXPECT_STREQ("", NextNumberInTable(table, index));
}

TEST(IsDiallableDeviceType, ModemAndIsdnInAnyCase)
{
    EXPECT_TRUE(IsDiallableDeviceType("modem"));
    EXPECT_TRUE(IsDiallableDeviceType("MODEM"));
    EXPECT_TRUE(IsDiallableDeviceType("Isdn"));
    EXPECT_TRUE(IsDiallableDeviceType("RASDT_ISDN"));
    EXPECT_FALSE(IsDiallableDeviceType("vpn"));
    EXPECT_FALSE(IsDiallableDeviceType("modem2"));
    EXPECT_FALSE(IsDiallableDeviceType(""));
}
