#pragma once
// What the tests of the shipped programs together start from: the provider
// stand-in and the registry cleared, the real programs in a fresh folder with
// the simulated remote-access service (for the dialler alone) and a scenario,
// and the customer's name, password and update page as the installer leaves
// them.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Controls.h"
#include "DiallerInstallation.h"
#include "ProviderControl.h"
#include "RegistryProbe.h"
#include "WindowSearch.h"
#include "dialler/res/resource.h"

// A file's bytes; empty when it cannot be read.
inline std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ShippedProgramsTest : public ::testing::Test {
protected:
    explicit ShippedProgramsTest(const char* scenario) : scenario(scenario) {}

    void SetUp() override
    {
        ASSERT_FALSE(provider::BaseUrl().empty()) << "run beside the provider server (PROVIDER_URL)";
        ASSERT_TRUE(provider::Reset());
        probe::ClearTovrinKey();
        installation = std::make_unique<guidriver::Installation>("");
        for (const char* name : {"Tallyview.dll", "switcher.exe"})
            ASSERT_TRUE(installation->AddProgram(name)) << name;
        ASSERT_TRUE(installation->WriteScenario(scenario));

        probe::WriteText(probe::kSettingsKey, "username", kUser);
        probe::WriteText(probe::kSettingsKey, "password", "secret");
        probe::WriteText(probe::kSettingsKey, "UpdatePage", provider::BaseUrl() + "/customer/dialler_update.asp");
        guidriver::UseSimulatedService();
    }

    void TearDown() override
    {
        if (dialler)
            dialler->Terminate();
        guidriver::ForgetSimulatedService();
        probe::ClearTovrinKey();
    }

    std::string File(const std::string& name) const { return installation->PathOf(name); }
    std::string Status() const { return guidriver::ControlText(GetDlgItem(dialog, IDC_STATUS)); }

    // In its own folder, as the shortcut starts it.
    void StartDialler()
    {
        dialler = std::make_unique<guidriver::DiallerProcess>(*installation, installation->Folder());
        dialog = dialler->MainDialog(30000);
        ASSERT_NE(dialog, nullptr) << "the dialler's window did not appear";
    }

    // Press Connect and wait until the dialog has gone to the notification area.
    void Connect()
    {
        const size_t before = installation->Count("connected");
        ASSERT_TRUE(guidriver::Click(GetDlgItem(dialog, IDC_CONNECT)));
        ASSERT_TRUE(guidriver::WaitUntil([&] { return installation->Count("connected") > before; }, 30000))
            << Status();
        ASSERT_TRUE(guidriver::WaitUntil([&] { return !IsWindowVisible(dialog); }, 10000))
            << "still shown when connected";
    }

    static constexpr const char* kUser = "ann";

    const char* scenario;
    std::unique_ptr<guidriver::Installation> installation;
    std::unique_ptr<guidriver::DiallerProcess> dialler;
    HWND dialog = nullptr;
};
