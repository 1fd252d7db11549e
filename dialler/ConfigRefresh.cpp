#include "dialler/ConfigRefresh.h"

#include <stdio.h>
#include <string.h>

#include <memory>

#include "dialler/DiallerContext.h"
#include "update/Update.h"
#include "utils/ConnectionLog.h"
#include "utils/Utils.h"

namespace {

// A numbered list the server replaces as a whole: its first occurrence in an
// answer removes the stored list, each occurrence then adds the next number.
struct ReplacedList {
    const char* baseName;
    int seen;

    void Store(const char* value)
    {
        if (++seen == 1)
            RemoveValues(baseName);
        char name[64];
        snprintf(name, sizeof(name), "%s%i", baseName, seen);
        SetSingleAppSettings(name, value);
    }
};

} // namespace

void StoreRefreshedProperties(Update::PropertyStack& properties)
{
    ReplacedList freephone = {"FreePhone", 0};
    ReplacedList localRate = {"LocalRatePhone", 0};

    while (properties.GetSize() > 0) {
        Update::Property property = properties.Pop();
        const char* name = property.GetName();
        const char* value = property.GetValue();
        tovrinlog::Write("refresh: property %s", name);
        if (_stricmp(name, "FreePhone") == 0)
            freephone.Store(value);
        else if (_stricmp(name, "LocalRatePhone") == 0)
            localRate.Store(value);
        else if (_stricmp(name, "HomePage") == 0) {
            if (ValidateURL(value))
                SetAppSettings(nullptr, nullptr, value, nullptr, nullptr, nullptr);
        } else if (_stricmp(name, "UpdatePage") == 0) {
            if (ValidateURL(value))
                SetAppSettings(nullptr, nullptr, nullptr, value, nullptr, nullptr);
        } else if (_stricmp(name, "UserStatURLInterval") == 0)
            SetAppSettings(nullptr, nullptr, nullptr, nullptr, value, nullptr);
        else if (_stricmp(name, "BannerURL") == 0) {
            // The statistics window's browser would open file: and share
            // addresses as readily as web pages.
            if (ValidateURL(value))
                SetAppSettings(nullptr, nullptr, nullptr, nullptr, nullptr, value);
        }
    }
}

unsigned long WINAPI RefreshConfigThread(void* parameter)
{
    const auto* request = static_cast<const RefreshRequest*>(parameter);
    Update::PropertyStack properties;
    // The library's allocation gives null rather than throwing.
    std::unique_ptr<Update::EntityStack> entities(new Update::EntityStack);
    if (!entities)
        return 0;

    if (!Update::GetFileAndParse(request->updatePage, request->userName, "update", properties, *entities))
        return 0;

    StoreRefreshedProperties(properties);
    // The download runs on this thread rather than one of its own, so the
    // dialler's one-refresh-at-a-time mark covers it until it ends. A
    // reconnect could otherwise start a second download beside it, and an
    // older answer's download finishing last would stage the older release.
    Update::FileDownloadThread(entities.get());
    return 0;
}
