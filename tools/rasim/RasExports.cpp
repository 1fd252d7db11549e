// The seven remote-access functions the dialler calls, answering as the
// system's service does, driven by the scenario and logged.
#include "DialRunner.h"
#include "ErrorTexts.h"
#include "EventLog.h"
#include "Service.h"

#include <cstdio>
#include <cstring>

using namespace rasim;

namespace {

constexpr DWORD kInvalidParameter = 87;
constexpr DWORD kInvalidName = 123;
constexpr DWORD kDialAlreadyInProgress = 756;

template <size_t N>
void CopyText(char (&target)[N], const std::string& text)
{
    std::snprintf(target, N, "%s", text.c_str());
}

// A record's text field, read only up to its own length even when the
// caller forgot the terminator.
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

std::string IpText(const RasIpAddress& address)
{
    char text[20];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address.a, address.b, address.c, address.d);
    return text;
}

std::string HandleKey(RasConnHandle handle)
{
    char key[40];
    std::snprintf(key, sizeof key, "status:%p", static_cast<void*>(handle));
    return key;
}

void LogSizeError(const char* event, DWORD size)
{
    LogLine(event).Add("size", size).Add("result", kRasErrorInvalidSize).Write();
}

}  // namespace

extern "C" DWORD WINAPI RasEnumDevicesA(RasDeviceInfoOld* devices, DWORD* bufferSize, DWORD* deviceCount)
{
    if (!bufferSize || !deviceCount)
        return kInvalidParameter;
    if (devices && devices->size != kRasDeviceInfoSize) {
        LogSizeError("enumdevices", devices->size);
        return kRasErrorInvalidSize;
    }
    std::vector<ScriptedDevice> scripted = Service::Instance().Devices();
    DWORD needed = static_cast<DWORD>(scripted.size() * sizeof(RasDeviceInfoOld));
    DWORD given = *bufferSize;
    DWORD result = kRasOk;
    if (!devices || given < needed) {
        *bufferSize = needed;
        result = needed == 0 ? kRasOk : kRasErrorBufferTooSmall;
    } else {
        for (size_t i = 0; i < scripted.size(); ++i) {
            devices[i].size = kRasDeviceInfoSize;
            CopyText(devices[i].deviceType, scripted[i].type);
            CopyText(devices[i].deviceName, scripted[i].name);
        }
        *bufferSize = needed;
    }
    *deviceCount = static_cast<DWORD>(scripted.size());
    LogLine("enumdevices").Add("buffer", given).Add("result", result).Add("count", *deviceCount).Write();
    return result;
}

extern "C" DWORD WINAPI RasSetEntryPropertiesA(const char* phonebook, const char* entryName, RasEntryOld* entry,
                                               DWORD entrySize, BYTE* deviceInfo, DWORD deviceInfoSize)
{
    if (!entry)
        return kInvalidParameter;
    if (entry->size != kRasEntrySize || entrySize < kRasEntrySize) {
        LogSizeError("setentry", entry->size);
        return kRasErrorInvalidSize;
    }
    std::string name = entryName ? entryName : "";
    DWORD result = name.empty() ? kInvalidName : Service::Instance().SetEntryResult();
    LogLine("setentry")
        .Add("phonebook", phonebook ? phonebook : "")
        .Add("entry", name)
        .Add("size", entry->size)
        .AddHex("options", entry->options)
        .Add("countryid", entry->countryId)
        .Add("countrycode", entry->countryCode)
        .Add("areacode", FieldText(entry->areaCode))
        .Add("phone", FieldText(entry->localPhoneNumber))
        .Add("alternateoffset", entry->alternateOffset)
        .Add("ip", IpText(entry->ipAddress))
        .Add("dns", IpText(entry->ipAddressDns))
        .Add("dnsalt", IpText(entry->ipAddressDnsAlt))
        .Add("wins", IpText(entry->ipAddressWins))
        .Add("winsalt", IpText(entry->ipAddressWinsAlt))
        .Add("framesize", entry->frameSize)
        .Add("protocols", entry->netProtocols)
        .Add("framing", entry->framingProtocol)
        .Add("script", FieldText(entry->script))
        .Add("autodialdll", FieldText(entry->autodialDll))
        .Add("autodialfunc", FieldText(entry->autodialFunc))
        .Add("devicetype", FieldText(entry->deviceType))
        .Add("devicename", FieldText(entry->deviceName))
        .Add("x25padtype", FieldText(entry->x25PadType))
        .Add("x25address", FieldText(entry->x25Address))
        .Add("x25facilities", FieldText(entry->x25Facilities))
        .Add("x25userdata", FieldText(entry->x25UserData))
        .Add("channels", entry->channels)
        .Add("reserved1", entry->reserved1)
        .Add("reserved2", entry->reserved2)
        .Add("devinfo", deviceInfoSize)
        .Add("result", result)
        .Write();
    if (result == kRasOk)
        Service::Instance().StoreEntry(
            name, EntryRecord{FieldText(entry->deviceType), FieldText(entry->deviceName),
                              FieldText(entry->localPhoneNumber), true});
    return result;
}

extern "C" DWORD WINAPI RasDialA(void* extensions, const char* phonebook, RasDialParamsOld* params, DWORD notifierType,
                                 void* notifier, RasConnHandle* connection)
{
    if (!params || !connection)
        return kInvalidParameter;
    if (params->size != kRasDialParamsSize) {
        LogSizeError("dial", params->size);
        return kRasErrorInvalidSize;
    }
    *connection = nullptr;
    std::string entryName = FieldText(params->entryName);
    std::string phone = FieldText(params->phoneNumber);
    LogLine line("dial");
    line.Add("phonebook", phonebook ? phonebook : "")
        .Add("entry", entryName)
        .Add("phone", phone)
        .Add("callback", FieldText(params->callbackNumber))
        .Add("user", FieldText(params->userName))
        .Add("password", FieldText(params->password))
        .Add("domain", FieldText(params->domain))
        .Add("notifier", notifierType);

    Service& service = Service::Instance();
    ConnectionView view;
    view.entry = entryName;
    DWORD result = kRasOk;
    if (notifier && notifierType != kRasNotifierType0 && notifierType != kRasNotifierType1) {
        result = kInvalidParameter;  // the window and type-2 notifiers are not simulated
    } else if (!entryName.empty()) {
        EntryRecord entry;
        if (!service.FindEntry(entryName, entry)) {
            result = kRasErrorCannotFindEntry;
        } else if (entry.written && !service.DeviceExists(entry.deviceName)) {
            result = kRasErrorPortNotAvailable;
        } else if (service.EntryBeingDialled(entryName)) {
            result = kDialAlreadyInProgress;  // the earlier attempt was never hung up
        } else {
            view.deviceType = entry.deviceType;
            view.deviceName = entry.deviceName;
            if (phone.empty())
                phone = entry.phoneNumber;
        }
    }
    DialScript script;
    if (result == kRasOk) {
        script = service.TakeScript(phone);
        result = script.failAtOnce;
    }
    if (result != kRasOk) {
        line.Add("handle", "0x0").Add("result", result).Write();
        return result;
    }

    std::shared_ptr<KernelHandle> stopEvent;
    RasConnHandle handle = service.AddConnection(view, script, stopEvent);
    *connection = handle;
    line.AddHandle("handle", handle).Add("result", kRasOk).Write();
    Notifier notify;
    notify.type = notifierType;
    notify.function = notifier;
    if (!notify)
        return RunDialScript(handle, script, notify, stopEvent->Get());
    if (!StartDialRunner(handle, script, notify, stopEvent))
        return 8;  // not enough memory for the thread
    return kRasOk;
}

extern "C" DWORD WINAPI RasHangUpA(RasConnHandle connection)
{
    DWORD result = Service::Instance().HangUp(connection) ? kRasOk : kRasErrorInvalidHandle;
    LogLine("hangup").AddHandle("handle", connection).Add("result", result).Write();
    return result;
}

extern "C" DWORD WINAPI RasGetConnectStatusA(RasConnHandle connection, RasConnStatusOld* status)
{
    if (!status)
        return kInvalidParameter;
    if (status->size != kRasConnStatusSize) {
        LogSizeError("status", status->size);
        return kRasErrorInvalidSize;
    }
    ConnectionView view;
    DWORD result = Service::Instance().Status(connection, view) ? kRasOk : kRasErrorInvalidHandle;
    unsigned long failure = 0;
    if (result == kRasOk && Service::Instance().StatusFails(failure)) {
        LogLine("status").AddHandle("handle", connection).Add("result", failure).Write();
        Service::Instance().ChangedSinceLastLog(HandleKey(connection), "failed");
        return failure;
    }
    if (result == kRasOk) {
        status->state = static_cast<RasConnState>(view.state);
        status->error = view.error;
        CopyText(status->deviceType, view.deviceType);
        CopyText(status->deviceName, view.deviceName);
    }
    // Callers poll this in tight loops; only a changed answer is logged.
    char answer[64];
    std::snprintf(answer, sizeof answer, "%lu/%lu/%lu", result, view.state, view.error);
    if (Service::Instance().ChangedSinceLastLog(HandleKey(connection), answer)) {
        LogLine line("status");
        line.AddHandle("handle", connection).Add("result", result);
        if (result == kRasOk)
            line.Add("state", view.state).Add("error", view.error);
        line.Write();
    }
    return result;
}

extern "C" DWORD WINAPI RasEnumConnectionsA(RasConnectionOld* connections, DWORD* bufferSize, DWORD* connectionCount)
{
    if (!bufferSize || !connectionCount)
        return kInvalidParameter;
    if (connections && connections->size != kRasConnectionSize) {
        LogSizeError("enumconnections", connections->size);
        return kRasErrorInvalidSize;
    }
    unsigned long failure = 0;
    if (Service::Instance().EnumerationFails(failure)) {
        *connectionCount = 0;
        LogLine("enumconnections").Add("result", failure).Add("count", 0ul).Add("handles", "").Write();
        Service::Instance().ChangedSinceLastLog("enumconnections", "failed");
        return failure;
    }
    std::vector<ConnectionView> listed = Service::Instance().Listed();
    DWORD needed = static_cast<DWORD>(listed.size() * sizeof(RasConnectionOld));
    DWORD result = kRasOk;
    if (!connections || *bufferSize < needed) {
        result = needed == 0 ? kRasOk : kRasErrorBufferTooSmall;
    } else {
        for (size_t i = 0; i < listed.size(); ++i) {
            connections[i].size = kRasConnectionSize;
            connections[i].handle = listed[i].handle;
            CopyText(connections[i].entryName, listed[i].entry);
            CopyText(connections[i].deviceType, listed[i].deviceType);
            CopyText(connections[i].deviceName, listed[i].deviceName);
        }
    }
    *bufferSize = needed;
    *connectionCount = static_cast<DWORD>(listed.size());
    // The connection watch enumerates every second; log changes only.
    std::string handles;
    for (const ConnectionView& view : listed) {
        char handle[32];
        std::snprintf(handle, sizeof handle, "%s0x%llx", handles.empty() ? "" : ",",
                      static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(view.handle)));
        handles += handle;
    }
    std::string answer = std::to_string(result) + ":" + handles;
    if (Service::Instance().ChangedSinceLastLog("enumconnections", answer))
        LogLine("enumconnections").Add("result", result).Add("count", *connectionCount).Add("handles", handles).Write();
    return result;
}

extern "C" DWORD WINAPI RasGetErrorStringA(UINT errorCode, char* buffer, DWORD bufferSize)
{
    if (!buffer || bufferSize == 0)
        return kInvalidParameter;
    const char* text = ErrorText(errorCode);
    DWORD result = kRasOk;
    if (!text)
        result = kInvalidParameter;
    else if (std::strlen(text) >= bufferSize)
        result = kRasErrorBufferTooSmall;
    else
        std::snprintf(buffer, bufferSize, "%s", text);
    LogLine("errorstring").Add("code", errorCode).Add("result", result).Write();
    return result;
}
