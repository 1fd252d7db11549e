#include "TallyviewFixture.h"

#include "MessageBoxes.h"
#include "ProviderAnswers.h"
#include "stats/res/resource.h"
#include "utils/tests/RegistryProbe.h"

namespace stats_test {

const char kUserMessageCaption[] = "tovrin - User message";

void TallyviewTest::SetUp()
{
    ASSERT_FALSE(ProviderUrl().empty()) << "run beside the provider server (PROVIDER_URL)";
    ASSERT_TRUE(ResetProvider());
    probe::ClearTovrinKey();
    // Every address points at the provider stand-in: the defaults name the
    // real provider, which the tests must never reach.
    statsAddress = ProviderUrl() + "/customer/stats.asp";
    probe::WriteText(probe::kSettingsKey, "username", "ann");
    probe::WriteText(probe::kSettingsKey, "UpdatePage", statsAddress);
    probe::WriteText(probe::kSettingsKey, "HomePage", ProviderUrl() + "/");
    probe::WriteText(probe::kSettingsKey, "BannerURL", ProviderUrl() + "/banner.html");
    SetInterval(0);
}

void TallyviewTest::TearDown()
{
    dialler.Stop();
    probe::ClearTovrinKey();
    ResetProvider();
}

void TallyviewTest::SetInterval(DWORD seconds)
{
    probe::WriteDword(probe::kSettingsKey, "UserStatURLInterval", seconds);
}

void TallyviewTest::SetBanner(const std::string& address)
{
    probe::WriteText(probe::kSettingsKey, "BannerURL", address);
}

HWND TallyviewTest::StartTallyview(const std::string& extraEnvironment)
{
    if (!dialler.Start(StartMode::WithWindowHandle, extraEnvironment))
        return nullptr;
    statsWindow = dialler.WaitForStatsWindow(kEventWait);
    return statsWindow;
}

HWND TallyviewTest::WaitForMessageBox(DWORD timeoutMs)
{
    return dialler.ProcessId() ? guidriver::WaitForMessageBox(kUserMessageCaption, dialler.ProcessId(), timeoutMs).box
                               : nullptr;
}

std::string TallyviewTest::MessageBoxText(HWND box)
{
    return guidriver::MessageBoxText(box);
}

void TallyviewTest::PressOk(HWND box)
{
    guidriver::PressMessageBoxButton(box, IDOK);
    guidriver::WaitUntil([&] { return !IsWindow(box); }, kEventWait);
}

void TallyviewTest::ClickDisconnect()
{
    HWND button = GetDlgItem(statsWindow, IDC_DISCONNECT);
    ASSERT_NE(button, nullptr);
    PostMessageA(button, BM_CLICK, 0, 0);
}

} // namespace stats_test
