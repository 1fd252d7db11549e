#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RegistryProbe.h"
#include "utils/Utils.h"

namespace {

using probe::kSettingsKey;

class Settings : public ::testing::Test {
protected:
    void SetUp() override { probe::ClearTovrinKey(); }
    void TearDown() override { probe::ClearTovrinKey(); }
};

TEST_F(Settings, EmptyStoreGetsCredentialsAndThreeDefaults)
{
    char user[260] = "x", pass[260] = "x", home[260], update[260], banner[260];
    uint32_t interval = 4242;
    GetAppSettings(user, pass, home, update, &interval, banner);
    EXPECT_STREQ(user, "");
    EXPECT_STREQ(pass, "");
    EXPECT_EQ(interval, 4242u);
    EXPECT_EQ(std::string(home).rfind("http://", 0), 0u);
    EXPECT_EQ(std::string(home).substr(std::strlen(home) - 1), "/");
    EXPECT_NE(std::string(update).find("/customer/dialler_update.asp"), std::string::npos);
    EXPECT_NE(std::string(banner).find("/customer/banner.html"), std::string::npos);

    EXPECT_EQ(probe::ReadText(kSettingsKey, "username"), "");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "password"), "");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "HomePage"), std::string(home));
    EXPECT_EQ(probe::ReadText(kSettingsKey, "UpdatePage"), std::string(update));
    EXPECT_EQ(probe::ReadText(kSettingsKey, "BannerURL"), std::string(banner));
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "UserStatURLInterval").has_value());
}
} // namespace
