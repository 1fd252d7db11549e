// GetAppSettings and SetAppSettings: defaults, the credentials pair, the
// interval and the 260-byte read limit.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RegistryProbe.h"
#include "utils/Utils.h"

namespace {

using probe::kSettingsKey;

// Where the password is kept, encrypted with the user's key.
const char kProtected[] = "PasswordProtected";

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
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "password").has_value());
    EXPECT_FALSE(probe::ValueType(kSettingsKey, kProtected).has_value());
    EXPECT_EQ(probe::ReadText(kSettingsKey, "HomePage"), std::string(home));
    EXPECT_EQ(probe::ReadText(kSettingsKey, "UpdatePage"), std::string(update));
    EXPECT_EQ(probe::ReadText(kSettingsKey, "BannerURL"), std::string(banner));
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "UserStatURLInterval").has_value());
}

TEST_F(Settings, SecondReadKeepsStoredValuesInsteadOfDefaults)
{
    probe::WriteText(kSettingsKey, "username", "ann");
    probe::WriteText(kSettingsKey, "password", "secret");
    probe::WriteText(kSettingsKey, "HomePage", "http://home.example/");
    probe::WriteText(kSettingsKey, "UpdatePage", "http://update.example/u.asp");
    probe::WriteText(kSettingsKey, "BannerURL", "http://banner.example/b.html");
    probe::WriteDword(kSettingsKey, "UserStatURLInterval", 90);
    char user[260], pass[260], home[260], update[260], banner[260];
    uint32_t interval = 0;
    GetAppSettings(user, pass, home, update, &interval, banner);
    EXPECT_STREQ(user, "ann");
    EXPECT_STREQ(pass, "secret");
    EXPECT_STREQ(home, "http://home.example/");
    EXPECT_STREQ(update, "http://update.example/u.asp");
    EXPECT_STREQ(banner, "http://banner.example/b.html");
    EXPECT_EQ(interval, 90u);
}

TEST_F(Settings, MissingUserNameResetsPassword)
{
    probe::WriteText(kSettingsKey, "password", "secret");
    char user[260] = "x";
    GetAppSettings(user, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(user, "");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "username"), "");
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "password").has_value());

    // An encrypted one goes the same way.
    probe::ClearTovrinKey();
    SetAppSettings(nullptr, "secret", nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(probe::ValueType(kSettingsKey, kProtected).has_value());
    GetAppSettings(user, nullptr, nullptr, nullptr, nullptr, nullptr);
    char pass[260] = "x";
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "");
    EXPECT_FALSE(probe::ValueType(kSettingsKey, kProtected).has_value());
}

TEST_F(Settings, PasswordAloneWritesNothing)
{
    char pass[260] = "x";
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "");
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "username").has_value());
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "password").has_value());
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "HomePage").has_value());

    // A plain value of an earlier version is read, and taken over encrypted;
    // nothing else is written.
    probe::WriteText(kSettingsKey, "password", "secret");
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "secret");
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "username").has_value());
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "password").has_value());
    EXPECT_EQ(probe::ValueType(kSettingsKey, kProtected), DWORD{REG_BINARY});
    EXPECT_FALSE(probe::KeyHoldsText(kSettingsKey, "secret"));
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "secret");
}

TEST_F(Settings, PasswordIsNeverStoredAsTextAndAnUnreadableOneReadsEmpty)
{
    const std::string longest(259, 'p');
    for (const std::string& password : {std::string("pw"), std::string("p\xE4ss w\xF6rd"), longest}) {
        SetAppSettings("ann", password.c_str(), nullptr, nullptr, nullptr, nullptr);
        EXPECT_FALSE(probe::KeyHoldsText(kSettingsKey, password)) << password;
        char pass[260] = "";
        GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(pass, password);
    }
    // Changed to empty: nothing is kept at all.
    SetAppSettings(nullptr, "", nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(probe::ValueType(kSettingsKey, kProtected).has_value());

    // A key that no longer opens it (another machine, a reset Windows
    // password) or a damaged value: empty, so the dialler asks again, and a
    // stale plain value beside it is not taken instead.
    probe::WriteBinary(kSettingsKey, kProtected, "not a sealed password");
    probe::WriteText(kSettingsKey, "password", "stale");
    char pass[260] = "x";
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "");
    SetAppSettings(nullptr, "fresh", nullptr, nullptr, nullptr, nullptr);
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "fresh");
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "password").has_value());
}

TEST_F(Settings, SetAppSettingsStoresEveryGivenValue)
{
    SetAppSettings("bob", "pw", "http://h/", "http://u/x.asp", "45", "http://b/");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "username"), "bob");
    char pass[260] = "";
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "pw");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "HomePage"), "http://h/");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "UpdatePage"), "http://u/x.asp");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "BannerURL"), "http://b/");
    EXPECT_EQ(probe::ReadDword(kSettingsKey, "UserStatURLInterval"), 45u);

    // Null leaves a value as it is.
    SetAppSettings(nullptr, "pw2", nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "username"), "bob");
    GetAppSettings(nullptr, pass, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(pass, "pw2");
    EXPECT_EQ(probe::ReadText(kSettingsKey, "HomePage"), "http://h/");
    EXPECT_EQ(probe::ReadDword(kSettingsKey, "UserStatURLInterval"), 45u);
}

TEST_F(Settings, IntervalTextIsConvertedLikeDecimal)
{
    const struct {
        const char* text;
        DWORD stored;
    } cases[] = {
        {"-5", 0}, {"abc", 0}, {"", 0}, {"30abc", 30}, {"  +12", 12}, {"\t7 ", 7}, {"0", 0}, {"99999999999", 2147483647},
    };
    for (const auto& c : cases) {
        SetAppSettings(nullptr, nullptr, nullptr, nullptr, c.text, nullptr);
        EXPECT_EQ(probe::ReadDword(kSettingsKey, "UserStatURLInterval"), c.stored) << '"' << c.text << '"';
    }
}

TEST_F(Settings, AllNullArgumentsChangeNothing)
{
    SetAppSettings(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS)
        << "the settings key was created";

    probe::WriteText(kSettingsKey, "HomePage", "http://kept/");
    SetAppSettings(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "HomePage"), "http://kept/");
    EXPECT_FALSE(probe::ValueType(kSettingsKey, "UserStatURLInterval").has_value());
}

TEST_F(Settings, OverlongHomePageIsReplacedByDefault)
{
    char defaultHome[260];
    GetAppSettings(nullptr, nullptr, defaultHome, nullptr, nullptr, nullptr);
    probe::ClearTovrinKey();

    probe::WriteText(kSettingsKey, "HomePage", "http://x/" + std::string(291, 'a'));
    char home[260];
    GetAppSettings(nullptr, nullptr, home, nullptr, nullptr, nullptr);
    EXPECT_STREQ(home, defaultHome);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "HomePage"), std::string(defaultHome));
}

TEST_F(Settings, ValueOf259CharactersReadsWhole)
{
    const std::string longest = "http://x/" + std::string(250, 'b');
    ASSERT_EQ(longest.size(), 259u);
    probe::WriteText(kSettingsKey, "BannerURL", longest);
    char banner[260];
    GetAppSettings(nullptr, nullptr, nullptr, nullptr, nullptr, banner);
    EXPECT_EQ(std::string(banner), longest);
    EXPECT_EQ(probe::ReadText(kSettingsKey, "BannerURL"), longest);
}

TEST_F(Settings, NumberStoredAsTextCountsAsAbsent)
{
    // "60" with its terminator fits in four bytes; its characters must not
    // come back as the number 0x3036.
    probe::WriteText(kSettingsKey, "UserStatURLInterval", "60");
    probe::WriteText(kSettingsKey, "ModelSelection", "2");
    uint32_t interval = 17;
    GetAppSettings(nullptr, nullptr, nullptr, nullptr, &interval, nullptr);
    EXPECT_EQ(interval, 17u);
    EXPECT_EQ(GetModemSelection(), 0u);
}

} // namespace
