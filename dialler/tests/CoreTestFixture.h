#pragma once
// Shared set-up of the tests that run Tovrin.exe: a clean settings store with
// credentials, and every web address pointing at this machine so that the
// browser and the refresh never reach out.
#include <gtest/gtest.h>

#include <string>

#include "Controls.h"
#include "DiallerInstallation.h"
#include "MessageBoxes.h"
#include "RunOnceProbe.h"
#include "WindowSearch.h"
#include "utils/tests/RegistryProbe.h"

// Control and box identifiers of the dialler as a user sees them.
constexpr int kConnectButton = 1008;
constexpr int kStatusText = 1007;
constexpr int kDeviceList = 1004;
constexpr int kFreephoneButton = 1010;
constexpr int kLocalRateButton = 1011;

class DiallerTest : public ::testing::Test {
protected:
    // Not SetUp: a derived fixture's members that start the dialler must
    // find the settings in place.
    DiallerTest()
    {
        probe::ClearTovrinKey();
        probe::WriteText(probe::kSettingsKey, "username", "alice");
        probe::WriteText(probe::kSettingsKey, "password", "secret");
        probe::WriteText(probe::kSettingsKey, "HomePage", "http://127.0.0.1:9/home");
        probe::WriteText(probe::kSettingsKey, "UpdatePage", "http://127.0.0.1:9/update");
        probe::WriteText(probe::kSettingsKey, "BannerURL", "http://127.0.0.1:9/banner");
    }
    void TearDown() override { probe::ClearTovrinKey(); }

    static void StoreNumbers(const char* baseName, std::initializer_list<std::string> numbers)
    {
        int n = 0;
        for (const std::string& number : numbers)
            probe::WriteText(probe::kSettingsKey, (baseName + std::to_string(++n)).c_str(), number);
    }

    static std::string Stored(const char* name)
    {
        return probe::ReadText(probe::kSettingsKey, name).value_or("<missing>");
    }
};
