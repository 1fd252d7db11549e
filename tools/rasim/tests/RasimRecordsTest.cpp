// The simulator's record checks, device list, phonebook entry and error texts.
#include "RasimFixture.h"

#include <cstring>

using rasim::EventsNamed;

TEST_F(RasimTest, EveryRecordOfTheWrongSizeIsRefusedWith632)
{
    Load("busy-then-connect.txt");
    RasDeviceInfoOld device = {};
    device.size = kRasDeviceInfoSize + 4;
    DWORD size = sizeof device, count = 0;
    EXPECT_EQ(api.EnumDevices(&device, &size, &count), kRasErrorInvalidSize);

    RasEntryOld entry = {};
    entry.size = 1780;  // a newer form
    EXPECT_EQ(api.SetEntryProperties(nullptr, "Tovrin", &entry, sizeof entry, nullptr, 0), kRasErrorInvalidSize);

    RasDialParamsOld params = DialParams("0101");
    params.size = 1060;
    RasConnHandle handle = nullptr;
    EXPECT_EQ(api.Dial(nullptr, nullptr, &params, 0, nullptr, &handle), kRasErrorInvalidSize);

    RasConnStatusOld status = {};
    status.size = 288;
    EXPECT_EQ(api.GetConnectStatus(reinterpret_cast<RasConnHandle>(0x1000), &status), kRasErrorInvalidSize);

    RasConnectionOld connection = {};
    connection.size = 412 + 264;
    size = sizeof connection;
    EXPECT_EQ(api.EnumConnections(&connection, &size, &count), kRasErrorInvalidSize);

    // The older sizes themselves pass.
    connection.size = kRasConnectionSize;
    size = sizeof connection;
    EXPECT_EQ(api.EnumConnections(&connection, &size, &count), kRasOk);
    EXPECT_EQ(count, 0u);
}

TEST_F(RasimTest, DeviceEnumerationReportsTheSizeThenFillsTheTable)
{
    Load("devices.txt");
    DWORD size = 0, count = 0;
    EXPECT_EQ(api.EnumDevices(nullptr, &size, &count), kRasErrorBufferTooSmall);
    EXPECT_EQ(size, 3 * kRasDeviceInfoSize);
    EXPECT_EQ(count, 3u);

    RasDeviceInfoOld devices[99] = {};
    devices[0].size = kRasDeviceInfoSize;
    size = 2 * kRasDeviceInfoSize;  // too small still
    EXPECT_EQ(api.EnumDevices(devices, &size, &count), kRasErrorBufferTooSmall);
    EXPECT_EQ(size, 3 * kRasDeviceInfoSize);

    EXPECT_EQ(api.EnumDevices(devices, &size, &count), kRasOk);
    ASSERT_EQ(count, 3u);
    EXPECT_STREQ(devices[0].deviceType, "modem");
    EXPECT_STREQ(devices[0].deviceName, "Standard 56000 bps Modem");
    EXPECT_STREQ(devices[1].deviceType, "ISDN");
    EXPECT_STREQ(devices[2].deviceName, "WAN Miniport (PPTP)");
    EXPECT_EQ(devices[2].size, kRasDeviceInfoSize);
}

TEST_F(RasimTest, WithoutScenarioThereAreNoDevicesAndDialsAreBusy)
{
    Load("");
    DWORD size = 0, count = 7;
    EXPECT_EQ(api.EnumDevices(nullptr, &size, &count), kRasOk);
    EXPECT_EQ(count, 0u);

    RasDialParamsOld params = DialParams("0101");
    params.entryName[0] = '\0';  // a dial by number needs no entry
    RasConnHandle handle = nullptr;
    EXPECT_EQ(api.Dial(nullptr, nullptr, &params, 0, nullptr, &handle), kRasErrorLineBusy);
    EXPECT_EQ(api.HangUp(handle), kRasOk);
}

namespace {

RasEntryOld DiallerEntry(const char* device)
{
    RasEntryOld entry = {};
    entry.size = kRasEntrySize;
    entry.options = kRasEntrySwCompression | kRasEntryRemoteDefaultGateway | kRasEntryIpHeaderCompression;
    std::snprintf(entry.localPhoneNumber, sizeof entry.localPhoneNumber, "%s", "xxxxx");
    entry.netProtocols = kRasNetProtocolIp;
    entry.framingProtocol = kRasFramingPpp;
    std::snprintf(entry.deviceType, sizeof entry.deviceType, "%s", "modem");
    std::snprintf(entry.deviceName, sizeof entry.deviceName, "%s", device);
    return entry;
}

}  // namespace

TEST_F(RasimTest, WrittenEntryIsLoggedWithAllItsFields)
{
    Load("entry-rules.txt");
    RasEntryOld entry = DiallerEntry("Standard 56000 bps Modem");
    entry.ipAddressDns = {10, 0, 0, 53};
    ASSERT_EQ(api.SetEntryProperties(nullptr, "Tovrin", &entry, sizeof entry, nullptr, 0), kRasOk);

    auto written = EventsNamed(Log(), "setentry");
    ASSERT_EQ(written.size(), 1u);
    const rasim::LogEvent& line = written[0];
    EXPECT_EQ(line.Get("entry"), "Tovrin");
    EXPECT_EQ(line.Get("phonebook"), "");
    EXPECT_EQ(line.Get("size"), "1768");
    EXPECT_EQ(line.Get("options"), "0x218");
    EXPECT_EQ(line.Get("phone"), "xxxxx");
    EXPECT_EQ(line.Get("protocols"), "4");
    EXPECT_EQ(line.Get("framing"), "1");
    EXPECT_EQ(line.Get("devicetype"), "modem");
    EXPECT_EQ(line.Get("devicename"), "Standard 56000 bps Modem");
    EXPECT_EQ(line.Get("dns"), "10.0.0.53");
    EXPECT_EQ(line.Get("ip"), "0.0.0.0");
    EXPECT_EQ(line.Get("areacode"), "");
    EXPECT_EQ(line.Get("x25userdata"), "");
    EXPECT_EQ(line.Get("channels"), "0");
    EXPECT_EQ(line.Get("result"), "0");
    EXPECT_EQ(line.fields.size(), 32u);  // every field of the record, plus the call's own
}

TEST_F(RasimTest, DialNeedsAWrittenEntryOnAnExistingDevice)
{
    Load("entry-rules.txt");
    RasConnHandle handle = nullptr;
    EXPECT_EQ(Dial("0101", handle), kRasErrorCannotFindEntry);
    EXPECT_EQ(handle, nullptr);

    RasEntryOld entry = DiallerEntry("");  // no device chosen
    ASSERT_EQ(api.SetEntryProperties(nullptr, "Tovrin", &entry, sizeof entry, nullptr, 0), kRasOk);
    EXPECT_EQ(Dial("0101", handle), kRasErrorPortNotAvailable);

    entry = DiallerEntry("Standard 56000 bps Modem");
    ASSERT_EQ(api.SetEntryProperties(nullptr, "Tovrin", &entry, sizeof entry, nullptr, 0), kRasOk);
    EXPECT_EQ(Dial("0101", handle), kRasOk);
    EXPECT_TRUE(WaitForState(handle, RasConnected));
    RasConnStatusOld status;
    ASSERT_EQ(StatusOf(handle, status), kRasOk);
    EXPECT_STREQ(status.deviceName, "Standard 56000 bps Modem");
    EXPECT_EQ(api.HangUp(handle), kRasOk);
}

TEST_F(RasimTest, ScriptedEntryRefusalIsAnsweredAndNothingIsStored)
{
    Load("entry-refused.txt");
    RasEntryOld entry = DiallerEntry("Standard 56000 bps Modem");
    EXPECT_EQ(api.SetEntryProperties(nullptr, "Tovrin", &entry, sizeof entry, nullptr, 0), 621u);
    RasConnHandle handle = nullptr;
    EXPECT_EQ(Dial("0101", handle), kRasErrorCannotFindEntry);
}

TEST_F(RasimTest, ErrorTextsForKnownCodesOnly)
{
    Load("");
    char text[256];
    ASSERT_EQ(api.GetErrorString(676, text, sizeof text), kRasOk);
    EXPECT_STREQ(text, "The line is busy.");
    ASSERT_EQ(api.GetErrorString(633, text, sizeof text), kRasOk);
    EXPECT_STREQ(text, "The port is already in use or is not configured for Remote Access dial out.");
    for (UINT code : {601u, 602u, 606u, 608u, 615u, 630u, 665u, 666u, 681u, 691u, 756u, 797u}) {
        EXPECT_EQ(api.GetErrorString(code, text, sizeof text), kRasOk) << code;
        EXPECT_GT(std::strlen(text), 10u) << code;
    }
    EXPECT_EQ(api.GetErrorString(12345, text, sizeof text), 87u);
    EXPECT_EQ(api.GetErrorString(0, text, sizeof text), 87u);
    char small[8];
    EXPECT_EQ(api.GetErrorString(676, small, sizeof small), kRasErrorBufferTooSmall);
}

TEST_F(RasimTest, ScenarioMistakesAreReportedInTheLogAndTheRestApplies)
{
    Load("bad-lines.txt");
    auto errors = EventsNamed(Log(), "scenario-error");
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].Get("error"), "line 2: bad value for states");
    EXPECT_EQ(errors[1].Get("error"), "line 3: unknown key resutl");
    EXPECT_EQ(errors[2].Get("error"), "line 4: expected key=value");
    EXPECT_EQ(errors[3].Get("error"), "line 5: device needs type= and name=");

    DWORD size = 0, count = 0;
    api.EnumDevices(nullptr, &size, &count);
    EXPECT_EQ(count, 1u);
    RasDialParamsOld params = DialParams("0101");
    params.entryName[0] = '\0';
    RasConnHandle handle = nullptr;
    EXPECT_EQ(api.Dial(nullptr, nullptr, &params, 0, nullptr, &handle), kRasErrorPortNotAvailable);
}
