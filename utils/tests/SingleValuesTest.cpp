// Named single values, numbered families and the device index.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "RegistryProbe.h"
#include "utils/Utils.h"

namespace {

using probe::kSettingsKey;

class SingleValues : public ::testing::Test {
protected:
    void SetUp() override { probe::ClearTovrinKey(); }
    void TearDown() override { probe::ClearTovrinKey(); }

    static bool Present(const std::string& name) { return probe::ValueType(kSettingsKey, name.c_str()).has_value(); }
};

TEST_F(SingleValues, GetReturnsItsBufferEmptyForMissingValue)
{
    char value[260] = "stale";
    EXPECT_EQ(GetSingleAppSettings("FreePhone1", value), value);
    EXPECT_STREQ(value, "");
    EXPECT_FALSE(Present("FreePhone1"));
}

TEST_F(SingleValues, SetWritesTextWithTerminatorAndGetReadsIt)
{
    SetSingleAppSettings("FreePhone1", "0808 100 2000");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "FreePhone1"), "0808 100 2000");
    EXPECT_EQ(probe::ValueType(kSettingsKey, "FreePhone1"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(probe::StoredSize(kSettingsKey, "FreePhone1"), 14u) << "terminator not stored";

    char value[260];
    EXPECT_STREQ(GetSingleAppSettings("FreePhone1", value), "0808 100 2000");
}

TEST_F(SingleValues, ReadOfOverlongValueIsEmpty)
{
    probe::WriteText(kSettingsKey, "LocalRate1", std::string(260, '7'));
    char value[260] = "stale";
    EXPECT_STREQ(GetSingleAppSettings("LocalRate1", value), "");
}

TEST_F(SingleValues, RemoveValuesDeletesBareAndNumberedFamily)
{
    for (const char* name : {"FreePhone", "FreePhone1", "FreePhone2", "LocalRate1"})
        probe::WriteText(kSettingsKey, name, "n");
    RemoveValues("FreePhone");
    EXPECT_FALSE(Present("FreePhone"));
    EXPECT_FALSE(Present("FreePhone1"));
    EXPECT_FALSE(Present("FreePhone2"));
    EXPECT_TRUE(Present("LocalRate1")) << "another family was touched";
}

TEST_F(SingleValues, RemoveValuesStopsAtFirstGap)
{
    for (const char* name : {"FreePhone1", "FreePhone2", "FreePhone4"})
        probe::WriteText(kSettingsKey, name, "n");
    RemoveValues("FreePhone");
    EXPECT_FALSE(Present("FreePhone1"));
    EXPECT_FALSE(Present("FreePhone2"));
    EXPECT_TRUE(Present("FreePhone4"));
}

TEST_F(SingleValues, RemoveValuesWithoutIndexOneKeepsTheRest)
{
    probe::WriteText(kSettingsKey, "FreePhone", "n");
    probe::WriteText(kSettingsKey, "FreePhone2", "n");
    RemoveValues("FreePhone");
    EXPECT_FALSE(Present("FreePhone"));
    EXPECT_TRUE(Present("FreePhone2"));
}

TEST_F(SingleValues, RemoveValuesWithLongBaseNameStaysInBounds)
{
    // Numbered names go up to 63 characters.
    const std::string base62(62, 'E');
    probe::WriteText(kSettingsKey, (base62 + "1").c_str(), "n");
    RemoveValues(base62.c_str());
    EXPECT_FALSE(Present(base62 + "1"));

    // A longer name cut to 63 characters would be some other value, which
    // must not be deleted in its place.
    const std::string base70(70, 'F');
    const std::string cutShort = base70.substr(0, 63);
    probe::WriteText(kSettingsKey, base70.c_str(), "n");
    probe::WriteText(kSettingsKey, (base70 + "1").c_str(), "n");
    probe::WriteText(kSettingsKey, cutShort.c_str(), "n");
    RemoveValues(base70.c_str());
    EXPECT_FALSE(Present(base70));
    EXPECT_TRUE(Present(cutShort));

    const std::string huge(5000, 'G');
    probe::WriteText(kSettingsKey, "Keep1", "n");
    RemoveValues(huge.c_str());
    EXPECT_TRUE(Present("Keep1"));
}

TEST_F(SingleValues, ModemSelectionRoundTripsAsDword)
{
    EXPECT_EQ(GetModemSelection(), 0u);
    SetModemSelection(3);
    EXPECT_EQ(probe::ReadDword(kSettingsKey, "ModelSelection"), 3u);
    EXPECT_EQ(GetModemSelection(), 3u);
    probe::WriteDword(kSettingsKey, "ModelSelection", 7);
    EXPECT_EQ(GetModemSelection(), 7u);
}

} // namespace
