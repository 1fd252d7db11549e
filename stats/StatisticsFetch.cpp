#include "stats/StatisticsFetch.h"

#include <cstdio>
#include <cstring>

#include "stats/StatsMessages.h"
#include "stats/UsageFormat.h"
#include "stats/res/resource.h"
#include "update/Update.h"
#include "utils/Utils.h"

namespace {

const char kUserMessageCaption[] = "tovrin - User message";
const char kNotAvailable[] = "N.A.";
const char kDefaultTitle[] = "User stats";

// The last provider message shown, for the life of the process. No lock:
// fetches never overlap (the window skips a tick while one runs).
char rememberedUserMessage[Update::kMaxTextLength + 1] = "";

// The fetch thread changes the window's texts from its own thread (an
// exception dialler/THREADING.md records): these calls send WM_SETTEXT,
// which the window's thread carries out while this thread waits.
void SetFieldText(HWND window, int controlId, const char* text)
{
    SetDlgItemTextA(window, controlId, text);
}

void ShowUsage(HWND window, int controlId, const char* seconds)
{
    char text[kUsageTimeBufferSize];
    FormatUsageTime(seconds, text, sizeof text);
    SetFieldText(window, controlId, text);
}

void ShowUserMessage(HWND window, const char* message)
{
    if (strcmp(message, rememberedUserMessage) == 0)
        return;
    snprintf(rememberedUserMessage, sizeof rememberedUserMessage, "%s", message);
    // Owned by the window, which stays disabled until the box is dismissed;
    // this thread waits here before applying the remaining properties.
    MessageBoxA(window, message, kUserMessageCaption, MB_OK | MB_ICONINFORMATION);
}

void ApplyProperty(HWND window, const Update::Property& property)
{
    const char* name = property.GetName();
    const char* value = property.GetValue();
    if (_stricmp(name, "USERNAME") == 0) {
        char title[Update::kMaxTextLength + 16];
        snprintf(title, sizeof title, "%s's stats", value);
        // Sent to the window's thread, like the field texts.
        SetWindowTextA(window, title);
    } else if (_stricmp(name, "USEDTIME") == 0) {
        ShowUsage(window, IDC_USED_TIME, value);
    } else if (_stricmp(name, "ALLOWEDTIME") == 0) {
        ShowUsage(window, IDC_ALLOWED_TIME, value);
    } else if (_stricmp(name, "REMAININGTIME") == 0) {
        ShowUsage(window, IDC_REMAINING_TIME, value);
    } else if (_stricmp(name, "USERMESSAGE") == 0) {
        ShowUserMessage(window, value);
    }
}

void ShowFailure(HWND window)
{
    // Read and written from the fetch thread through sent messages, which
    // the window's thread carries out.
    char title[2] = "";
    GetWindowTextA(window, title, sizeof title);
    if (title[0] == '\0')
        SetWindowTextA(window, kDefaultTitle);
    SetFieldText(window, IDC_USED_TIME, kNotAvailable);
    SetFieldText(window, IDC_ALLOWED_TIME, kNotAvailable);
    SetFieldText(window, IDC_REMAINING_TIME, kNotAvailable);
}

} // namespace

FetchSettings& ProcessFetchSettings()
{
    static FetchSettings settings = {"", 0};
    return settings;
}

void ReadFetchSettings()
{
    FetchSettings& settings = ProcessFetchSettings();
    GetAppSettings(nullptr, nullptr, nullptr, settings.statisticsAddress, &settings.intervalSeconds,
                   nullptr);
}

UINT FetchPeriodMilliseconds(uint32_t intervalSeconds)
{
    const uint64_t period = static_cast<uint64_t>(intervalSeconds) * 1000u;
    return period > USER_TIMER_MAXIMUM ? USER_TIMER_MAXIMUM : static_cast<UINT>(period);
}

unsigned long __stdcall FetchStatisticsThread(void* parameter)
{
    const FetchRequest* request = static_cast<const FetchRequest*>(parameter);
    {
        // The stacks are released before the window hears the fetch is over,
        // so nothing of this fetch is left once the next may start.
        Update::PropertyStack properties;
        Update::EntityStack entities;
        if (Update::GetFileAndParse(request->statisticsAddress, request->userName, "userstat",
                                    properties, entities)) {
            while (properties.GetSize() > 0)
                ApplyProperty(request->window, properties.Pop());
        } else {
            ShowFailure(request->window);
        }
    }
    PostMessageA(request->window, WM_STATS_FETCH_DONE, request->fetchId, 0);
    return 0;
}
