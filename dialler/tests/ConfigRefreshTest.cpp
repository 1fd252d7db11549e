// The configuration refresh against the provider stand-in: what reaches the
// settings store from the server's answer.
#include "dialler/ConfigRefresh.h"
#include "dialler/DiallerContext.h"
#include "FixtureFiles.h"
#include "ProviderControl.h"
#include "RegistryProbe.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ConfigRefreshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(provider::BaseUrl().empty()) << "run beside the provider server";
        provider::Reset();
        probe::ClearTovrinKey();
        updatePage = provider::BaseUrl() + "/update";
        request = {updatePage.c_str(), "alice"};
    }
    void TearDown() override { probe::ClearTovrinKey(); }

    void Answer(const char* fixture)
    {
        std::string document = ReadFixture(fixture);
        ASSERT_FALSE(document.empty()) << fixture;
        ASSERT_TRUE(provider::SetAnswer("update", document));
    }

    std::string Setting(const char* name) { return probe::ReadText(probe::kSettingsKey, name).value_or("<none>"); }

    std::string updatePage;
    RefreshRequest request;
};

} // namespace

TEST_F(ConfigRefreshTest, ThreeFreePhonePropertiesReplaceTheWholeList)
{
    probe::WriteText(probe::kSettingsKey, "FreePhone", "0808 old");
    for (int n = 1; n <= 5; ++n)
        probe::WriteText(probe::kSettingsKey, ("FreePhone" + std::to_string(n)).c_str(), "0808 old " + std::to_string(n));
    probe::WriteText(probe::kSettingsKey, "LocalRatePhone1", "0845 kept");
    Answer("refresh-three-freephone.xml");

    EXPECT_EQ(RefreshConfigThread(&request), 0u);

    // Numbered in the order the property stack yields them: last first.
    EXPECT_EQ(Setting("FreePhone1"), "0808 100 0003");
    EXPECT_EQ(Setting("FreePhone2"), "0808 100 0002");
    EXPECT_EQ(Setting("FreePhone3"), "0808 100 0001");
    EXPECT_EQ(Setting("FreePhone4"), "<none>");
    EXPECT_EQ(Setting("FreePhone5"), "<none>");
    EXPECT_EQ(Setting("FreePhone"), "<none>");
    EXPECT_EQ(Setting("LocalRatePhone1"), "0845 kept") << "an answer without local-rate numbers keeps the list";
    EXPECT_EQ(Setting("BannerURL"), "http://127.0.0.1/banner");

    auto log = provider::Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().path, "/update");
    EXPECT_EQ(log.back().query, "action=update&user=alice");
}

TEST_F(ConfigRefreshTest, InvalidHomePageAndBannerAreSkippedAndTheRestStored)
{
    probe::WriteText(probe::kSettingsKey, "HomePage", "http://127.0.0.1/before");
    probe::WriteText(probe::kSettingsKey, "BannerURL", "http://127.0.0.1/banner");
    Answer("refresh-invalid-homepage.xml");

    RefreshConfigThread(&request);

    EXPECT_EQ(Setting("HomePage"), "http://127.0.0.1/before");
    EXPECT_EQ(Setting("BannerURL"), "http://127.0.0.1/banner");
    EXPECT_EQ(Setting("UpdatePage"), "http://127.0.0.1/next") << "names compare without regard to case";
    EXPECT_EQ(probe::ReadDword(probe::kSettingsKey, "UserStatURLInterval").value_or(0), 120u);
    EXPECT_EQ(Setting("Unknown"), "<none>");
}

TEST_F(ConfigRefreshTest, LocalRateListIsReplacedAndValidHomePageStored)
{
    probe::WriteText(probe::kSettingsKey, "LocalRatePhone", "0845 older");
    probe::WriteText(probe::kSettingsKey, "LocalRatePhone1", "0845 one");
    probe::WriteText(probe::kSettingsKey, "LocalRatePhone2", "0845 two");
    probe::WriteText(probe::kSettingsKey, "FreePhone1", "0808 kept");
    Answer("refresh-local-rate.xml");

    RefreshConfigThread(&request);

    EXPECT_EQ(Setting("LocalRatePhone1"), "0845 200 0001");
    EXPECT_EQ(Setting("LocalRatePhone2"), "<none>");
    EXPECT_EQ(Setting("LocalRatePhone"), "<none>");
    EXPECT_EQ(Setting("FreePhone1"), "0808 kept");
    EXPECT_EQ(Setting("HomePage"), "http://127.0.0.1/home");
}

TEST_F(ConfigRefreshTest, NoAnswerStoresNothing)
{
    probe::WriteText(probe::kSettingsKey, "FreePhone1", "0808 kept");
    // No answer is set: the server replies 404.
    EXPECT_EQ(RefreshConfigThread(&request), 0u);
    EXPECT_EQ(Setting("FreePhone1"), "0808 kept");
    EXPECT_EQ(Setting("HomePage"), "<none>");
}
