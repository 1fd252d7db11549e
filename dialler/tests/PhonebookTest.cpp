// The device list and the phonebook entry and dial parameters the dialler
// hands the service.
#include "CoreTestFixture.h"

using namespace guidriver;

using DeviceList = DiallerTest;

TEST_F(DeviceList, OffersModemAndIsdnSortedAndFallsBackFromSavedIndex)
{
    probe::WriteDword(probe::kSettingsKey, "ModelSelection", 5);
    StartedDialler run("devices-connect.txt");
    ASSERT_TRUE(run.dialog);
    HWND devices = GetDlgItem(run.dialog, kDeviceList);
    EXPECT_EQ((std::vector<std::string>{"ISDN Adapter Channel 1", "Standard 56000 bps Modem"}), ComboItems(devices));
    EXPECT_EQ(0, ComboSelection(devices));
}

TEST_F(DeviceList, SavedIndexWithinTheListIsSelected)
{
    probe::WriteDword(probe::kSettingsKey, "ModelSelection", 1);
    StartedDialler run("devices-connect.txt");
    ASSERT_TRUE(run.dialog);
    EXPECT_EQ(1, ComboSelection(GetDlgItem(run.dialog, kDeviceList)));
}

TEST_F(DeviceList, MoreDevicesThanTheTableListsTheFirstNinetyNine)
{
    StartedDialler run("many-devices.txt");
    ASSERT_TRUE(run.dialog);
    std::vector<std::string> items = ComboItems(GetDlgItem(run.dialog, kDeviceList));
    ASSERT_EQ(99u, items.size());
    EXPECT_EQ("Modem 001", items.front());
    EXPECT_EQ("Modem 099", items.back());
}

using PhonebookEntry = DiallerTest;

TEST_F(PhonebookEntry, WrittenAsModemForTheChosenIsdnDeviceWithDialParameters)
{
    StoreNumbers("FreePhone", {"0808123"});
    StartedDialler run("devices-connect.txt");
    ASSERT_TRUE(run.dialog);

    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return !run.installation.Log("dial").empty(); }, 10000));
    auto entries = run.installation.Log("setentry");
    ASSERT_EQ(1u, entries.size());
    const rasim::LogEvent& entry = entries[0];
    EXPECT_EQ("", entry.Get("phonebook"));
    EXPECT_EQ("Tovrin", entry.Get("entry"));
    EXPECT_EQ(1768u, entry.Number("size"));
    EXPECT_EQ(0x218u, entry.Number("options"));
    EXPECT_EQ(0u, entry.Number("countryid"));
    EXPECT_EQ(0u, entry.Number("countrycode"));
    EXPECT_EQ("", entry.Get("areacode"));
    EXPECT_EQ("xxxxx", entry.Get("phone"));
    EXPECT_EQ(4u, entry.Number("protocols"));
    EXPECT_EQ(1u, entry.Number("framing"));
    EXPECT_EQ("modem", entry.Get("devicetype"));
    EXPECT_EQ("ISDN Adapter Channel 1", entry.Get("devicename"));
    EXPECT_EQ("0.0.0.0", entry.Get("ip"));
    EXPECT_EQ(0u, entry.Number("framesize"));
    EXPECT_EQ("", entry.Get("script"));
    EXPECT_EQ("", entry.Get("x25address"));
    EXPECT_EQ(0u, entry.Number("devinfo"));

    const rasim::LogEvent dial = run.installation.Log("dial").at(0);
    EXPECT_EQ("", dial.Get("phonebook"));
    EXPECT_EQ("Tovrin", dial.Get("entry"));
    EXPECT_EQ("0808123", dial.Get("phone"));
    EXPECT_EQ("", dial.Get("callback"));
    EXPECT_EQ("alice", dial.Get("user"));
    EXPECT_EQ("secret", dial.Get("password")) << "the plain value of an earlier version dials as before";
    EXPECT_FALSE(probe::KeyHoldsText(probe::kSettingsKey, "secret")) << "and is kept encrypted from then on";
    EXPECT_EQ("", dial.Get("domain"));
    EXPECT_EQ(1u, dial.Number("notifier")) << "the notifier that names the connection";
    EXPECT_EQ(0u, probe::ReadDword(probe::kSettingsKey, "ModelSelection").value_or(99)) << "the chosen position is saved";
}

TEST_F(PhonebookEntry, OverlongStoredUserNameIsCutToTheRecordNotOverrun)
{
    const std::string longName(259, 'u');
    probe::WriteText(probe::kSettingsKey, "username", longName);
    StartedDialler run("devices-connect.txt");
    ASSERT_TRUE(run.dialog);

    Click(run.dialog, kConnectButton);
    ASSERT_TRUE(WaitUntil([&] { return !run.installation.Log("dial").empty(); }, 10000));
    const rasim::LogEvent dial = run.installation.Log("dial").at(0);
    EXPECT_EQ(longName.substr(0, 255), dial.Get("user"));
    EXPECT_EQ("secret", dial.Get("password"));
}
