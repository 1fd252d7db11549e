// NeedUpdate and SetNewVersion on the records under Software\tovrin\Update.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "RegistryProbe.h"
#include "utils/Utils.h"

namespace {

using probe::kVersionKey;

VersionHandler Version(uint16_t major, uint16_t minor, uint16_t revision)
{
    VersionHandler version;
    version.Set(major, minor, revision);
    return version;
}

class VersionRecords : public ::testing::Test {
protected:
    void SetUp() override { probe::ClearTovrinKey(); }
    void TearDown() override { probe::ClearTovrinKey(); }
};

TEST_F(VersionRecords, MissingRecordCountsAsZero)
{
    // No file of this name beside the test, whose folder holds the built
    // programs and their version resources.
    EXPECT_TRUE(NeedUpdate("Absent.exe", Version(0, 0, 1)));
    EXPECT_FALSE(NeedUpdate("Absent.exe", Version(0, 0, 0)));
    // Asking creates nothing.
    EXPECT_FALSE(probe::ValueType(kVersionKey, "Absent.exe").has_value());
}

TEST_F(VersionRecords, OnlyNewerThanRecordNeedsUpdate)
{
    probe::WriteText(kVersionKey, "Praxel.dll", "3.1.0");
    EXPECT_FALSE(NeedUpdate("Praxel.dll", Version(3, 1, 0)));
    EXPECT_FALSE(NeedUpdate("Praxel.dll", Version(3, 0, 9)));
    EXPECT_TRUE(NeedUpdate("Praxel.dll", Version(3, 1, 1)));
    EXPECT_TRUE(NeedUpdate("Praxel.dll", Version(4, 0, 0)));
    // Records are per file.
    EXPECT_TRUE(NeedUpdate("Unrecorded.dll", Version(0, 0, 1)));
}

TEST_F(VersionRecords, EmptyOrNonNumericRecordReadsAsZero)
{
    probe::WriteText(kVersionKey, "a.dll", "");
    probe::WriteText(kVersionKey, "b.dll", "new.beta.x");
    for (const char* name : {"a.dll", "b.dll"}) {
        EXPECT_TRUE(NeedUpdate(name, Version(0, 0, 1))) << name;
        EXPECT_FALSE(NeedUpdate(name, Version(0, 0, 0))) << name;
    }
}

TEST_F(VersionRecords, SetNewVersionStoresTheText)
{
    SetNewVersion("Tallyview.dll", Version(3, 2, 0));
    EXPECT_EQ(probe::ReadText(kVersionKey, "Tallyview.dll"), "3.2.0");
    EXPECT_EQ(probe::ValueType(kVersionKey, "Tallyview.dll"), static_cast<DWORD>(REG_SZ));
    EXPECT_FALSE(NeedUpdate("Tallyview.dll", Version(3, 2, 0)));
    EXPECT_TRUE(NeedUpdate("Tallyview.dll", Version(3, 2, 1)));

    SetNewVersion("Tallyview.dll", Version(10, 0, 12));
    EXPECT_EQ(probe::ReadText(kVersionKey, "Tallyview.dll"), "10.0.12");
}

TEST_F(VersionRecords, OverlongRecordIsReadOnlyAsFarAsAVersionGoes)
{
    // 40 characters, written by hand; only the first 15 count.
    const std::string record = "12345.12345.12399999999999999999999999.9";
    ASSERT_EQ(record.size(), 40u);
    probe::WriteText(kVersionKey, "long.dll", record);
    EXPECT_FALSE(NeedUpdate("long.dll", Version(12345, 12345, 123)));
    EXPECT_TRUE(NeedUpdate("long.dll", Version(12345, 12345, 124)));

    // Beyond the 260-byte read limit the record is unreadable: version 0.0.0.
    probe::WriteText(kVersionKey, "huge.dll", "9.9.9" + std::string(400, '9'));
    EXPECT_TRUE(NeedUpdate("huge.dll", Version(0, 0, 1)));
}

} // namespace
