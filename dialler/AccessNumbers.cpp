// The device list, the two access-number lists and their rotation.
#include "dialler/AccessNumbers.h"

#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include <vector>

#include "dialler/DiallerContext.h"
#include "utils/Utils.h"

namespace {

// The provider's own access numbers, used only to seed an empty store.
constexpr char kDefaultFreephoneNumber[] = "08085550100";
constexpr char kDefaultLocalRateNumber[] = "08455550100";
// The freephone list is seeded with the same number twice, so a busy first
// attempt redials it once before wrapping.
constexpr int kDefaultFreephoneCopies = 2;
constexpr int kDefaultLocalRateCopies = 1;

// The device list offers at most this many devices.
constexpr DWORD kDeviceTableSize = 99;
// A sanity bound on what the service may ask room for.
constexpr size_t kMostDevicesAsked = 4096;

// The numbers live in the settings store of the Utils library.
class SettingsNumberStore : public NumberStore {
public:
    bool Read(const char* name, char* value, int valueSize) override
    {
        char stored[UTILS_SETTING_BUFFER] = "";
        GetSingleAppSettings(name, stored);
        snprintf(value, valueSize, "%s", stored);
        return stored[0] != '\0';
    }
    bool Write(const char* name, const char* value) override
    {
        SetSingleAppSettings(name, value);
        // The store reports nothing; the re-read after seeding tells.
        return true;
    }
};

// Enumerates into room for every device the service reports, so that a
// machine with more devices than the table still lists the first of them.
std::vector<RasDeviceInfoOld> EnumerateDevices()
{
    DWORD needed = 0;
    DWORD count = 0;
    RasEnumDevicesA(nullptr, &needed, &count);

    size_t records = needed / sizeof(RasDeviceInfoOld) + 1;
    if (records < static_cast<size_t>(kDeviceTableSize))
        records = kDeviceTableSize;
    if (records > kMostDevicesAsked)
        records = kMostDevicesAsked;
    RasDeviceInfoOld blank;
    ZeroMemory(&blank, sizeof blank);
    blank.size = kRasDeviceInfoSize;
    std::vector<RasDeviceInfoOld> devices(records, blank);

    DWORD size = static_cast<DWORD>(records * sizeof(RasDeviceInfoOld));
    count = 0;
    if (RasEnumDevicesA(devices.data(), &size, &count) != kRasOk)
        count = 0;  // the records were not filled
    devices.resize(count < records ? count : records);
    return devices;
}

void FillDeviceList()
{
    std::vector<RasDeviceInfoOld> devices = EnumerateDevices();
    DWORD count = static_cast<DWORD>(devices.size());
    if (count > kDeviceTableSize)
        count = kDeviceTableSize;

    DWORD listed = 0;
    for (DWORD i = 0; i < count; ++i) {
        devices[i].deviceType[kRasMaxDeviceType] = '\0';
        devices[i].deviceName[kRasMaxDeviceName] = '\0';
        if (!IsDiallableDeviceType(devices[i].deviceType))
            continue;
        SendMessageA(g_dialler.deviceList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(devices[i].deviceName));
        ++listed;
    }

    // The list sorts itself, so the saved index is a position in sorted order.
    DWORD selection = GetModemSelection();
    if (selection >= listed)
        selection = 0;
    SendMessageA(g_dialler.deviceList, CB_SETCURSEL, selection, 0);
}

// Settings are read into buffers of the store's size and then copied, so a
// value longer than a context field is cut, never written past it.
void ReadSettingsIntoContext()
{
    ReadCredentials();
    char homePage[UTILS_SETTING_BUFFER] = "";
    char updatePage[UTILS_SETTING_BUFFER] = "";
    GetAppSettings(nullptr, nullptr, homePage, updatePage, nullptr, nullptr);
    snprintf(g_dialler.homePage, sizeof g_dialler.homePage, "%s", homePage);
    snprintf(g_dialler.updatePage, sizeof g_dialler.updatePage, "%s", updatePage);
}

} // namespace

void ReadCredentials()
{
    char userName[UTILS_SETTING_BUFFER] = "";
    char password[UTILS_SETTING_BUFFER] = "";
    GetAppSettings(userName, password, nullptr, nullptr, nullptr, nullptr);
    snprintf(g_dialler.userName, sizeof g_dialler.userName, "%s", userName);
    snprintf(g_dialler.password, sizeof g_dialler.password, "%s", password);
    SecureZeroMemory(password, sizeof password);
}

void InitDevicesAndNumbers()
{
    FillDeviceList();
    // Every start begins with freephone; the choice is not saved.
    CheckDlgButton(g_dialler.mainDialog, IDC_FREEPHONE, BST_CHECKED);
    ReadSettingsIntoContext();

    g_dialler.freephoneIndex = 0;
    g_dialler.localRateIndex = 0;
    // Each load replaces its table as a whole.
    LoadNumberList(NumberKind::Freephone);
    LoadNumberList(NumberKind::LocalRate);
}

void LoadNumberList(NumberKind kind)
{
    SettingsNumberStore store;
    if (kind == NumberKind::Freephone)
        LoadNumberTable(g_dialler.freephoneNumbers, store, "FreePhone", kDefaultFreephoneNumber,
                        kDefaultFreephoneCopies);
    else
        LoadNumberTable(g_dialler.localRateNumbers, store, "LocalRatePhone", kDefaultLocalRateNumber,
                        kDefaultLocalRateCopies);
}

const char* NextAccessNumber()
{
    if (g_dialler.useFreephone)
        return NextNumberInTable(g_dialler.freephoneNumbers, g_dialler.freephoneIndex);
    return NextNumberInTable(g_dialler.localRateNumbers, g_dialler.localRateIndex);
}
