// The settings store: every persistent setting under HKCU\Software\tovrin.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "ProtectedPassword.h"
#include "RegistryAccess.h"
#include "SettingsLock.h"
#include "SettingsDefaults.h"
#include "Utils.h"

using utils::kSettingsPath;
using utils::RegistryAccess;
using utils::SettingsLockHold;

namespace {

const char kUserName[] = "username";
const char kHomePage[] = "HomePage";
const char kUpdatePage[] = "UpdatePage";
const char kStatInterval[] = "UserStatURLInterval";
const char kBannerUrl[] = "BannerURL";
const char kModemSelection[] = "ModelSelection";

// Reads a value that has a default, writing the default first when the value
// is missing or too long to read. The test is repeated under the lock: another
// process may have stored a fresh value while this one waited for it.
void ReadWithDefault(const char* name, const char* defaultValue, char* out)
{
    RegistryAccess registry;
    if (!registry.HasValue(HKEY_CURRENT_USER, kSettingsPath, name)) {
        SettingsLockHold lock;
        if (!registry.HasValue(HKEY_CURRENT_USER, kSettingsPath, name))
            registry.WriteString(HKEY_CURRENT_USER, kSettingsPath, name, defaultValue);
    }
    registry.ReadString(HKEY_CURRENT_USER, kSettingsPath, name, out);
}

// Decimal text as the interval: leading white space, optional sign, digits
// up to the first other character. Negative becomes 0; huge values saturate.
uint32_t IntervalFromText(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    unsigned long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return negative ? 0 : static_cast<uint32_t>(value);
}

} // namespace

void GetAppSettings(char* userName, char* password, char* homePage, char* updatePage, uint32_t* statInterval,
                    char* bannerUrl)
{
    RegistryAccess registry;
    if (userName) {
        // The credentials are one pair: a lost user name resets the password.
        if (!registry.HasValue(HKEY_CURRENT_USER, kSettingsPath, kUserName)) {
            SettingsLockHold lock;
            if (!registry.HasValue(HKEY_CURRENT_USER, kSettingsPath, kUserName)) {
                registry.WriteString(HKEY_CURRENT_USER, kSettingsPath, kUserName, "");
                utils::ClearPassword();
            }
        }
        registry.ReadString(HKEY_CURRENT_USER, kSettingsPath, kUserName, userName);
    }
    if (password)
        utils::ReadPassword(password);
    if (homePage)
        ReadWithDefault(kHomePage, utils::kDefaultHomePage, homePage);
    if (updatePage)
        ReadWithDefault(kUpdatePage, utils::kDefaultUpdatePage, updatePage);
    if (statInterval)
        registry.ReadNumber(HKEY_CURRENT_USER, kSettingsPath, kStatInterval, statInterval);
    if (bannerUrl)
        ReadWithDefault(kBannerUrl, utils::kDefaultBannerUrl, bannerUrl);
}

void SetAppSettings(const char* userName, const char* password, const char* homePage, const char* updatePage,
                    const char* statInterval, const char* bannerUrl)
{
    RegistryAccess registry;
    if (userName)
        registry.WriteString(HKEY_CURRENT_USER, kSettingsPath, kUserName, userName);
    if (password) {
        if (password[0] == '\0')
            utils::ClearPassword();
        else
            utils::StorePassword(password);
    }

    // The server-supplied group is written as one unit, so the statistics
    // window never sees half of a refresh.
    SettingsLockHold lock;
    if (homePage)
        registry.WriteString(HKEY_CURRENT_USER, kSettingsPath, kHomePage, homePage);
    if (updatePage)
        registry.WriteString(HKEY_CURRENT_USER, kSettingsPath, kUpdatePage, updatePage);
    if (statInterval)
        registry.WriteNumber(HKEY_CURRENT_USER, kSettingsPath, kStatInterval, IntervalFromText(statInterval));
    if (bannerUrl)
        registry.WriteString(HKEY_CURRENT_USER, kSettingsPath, kBannerUrl, bannerUrl);
}

const char* GetSingleAppSettings(const char* name, char* value)
{
    RegistryAccess().ReadString(HKEY_CURRENT_USER, kSettingsPath, name, value);
    return value;
}

void SetSingleAppSettings(const char* name, const char* value)
{
    SettingsLockHold lock;
    RegistryAccess().WriteString(HKEY_CURRENT_USER, kSettingsPath, name, value);
}

void RemoveValues(const char* baseName)
{
    RegistryAccess registry;
    registry.DeleteValue(HKEY_CURRENT_USER, kSettingsPath, baseName);
    char name[64];
    for (unsigned index = 1;; ++index) {
        const int length = std::snprintf(name, sizeof name, "%s%u", baseName, index);
        // A name cut short would be some other value: stop instead.
        if (length < 0 || length >= static_cast<int>(sizeof name))
            return;
        if (!registry.HasValue(HKEY_CURRENT_USER, kSettingsPath, name))
            return;
        registry.DeleteValue(HKEY_CURRENT_USER, kSettingsPath, name);
    }
}

uint32_t GetModemSelection(void)
{
    uint32_t index = 0;
    RegistryAccess().ReadNumber(HKEY_CURRENT_USER, kSettingsPath, kModemSelection, &index);
    return index;
}

void SetModemSelection(uint32_t index)
{
    RegistryAccess().WriteNumber(HKEY_CURRENT_USER, kSettingsPath, kModemSelection, index);
}
