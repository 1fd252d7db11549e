#include "Service.h"

#include "EventLog.h"

#include <algorithm>
#include <cctype>

namespace rasim {

namespace {

// Phonebook entry names compare without regard to case, as the service's do.
std::string EntryKey(const std::string& name)
{
    std::string key = name;
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

bool ReadFileText(const std::string& path, std::string& text)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return true;
}

Scenario LoadScenario()
{
    OpenEventLog();
    char path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("TOVRIN_RASIM_SCENARIO", path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        LogLine("load").Add("scenario", "").Write();
        return DefaultScenario();
    }
    std::string windowsPath = ToWindowsPath(path);
    std::string text;
    if (!ReadFileText(windowsPath, text)) {
        LogLine("load").Add("scenario", windowsPath).Add("error", "cannot read").Write();
        return DefaultScenario();
    }
    std::vector<std::string> errors;
    Scenario scenario = ParseScenario(text, errors);
    LogLine("load").Add("scenario", windowsPath).Write();
    for (const std::string& error : errors)
        LogLine("scenario-error").Add("error", error).Write();
    return scenario;
}

}  // namespace

Service& Service::Instance()
{
    static Service service;
    return service;
}

Service::Service() : scenario(LoadScenario()), dialUsed(scenario.dials.size(), false)
{
    ULONGLONG now = GetTickCount64();
    for (const OpenConnection& open : scenario.openAtStart) {
        Connection connection;
        connection.view.handle = reinterpret_cast<RasConnHandle>(nextHandle);
        nextHandle += 4;
        connection.view.entry = open.entry;
        connection.view.deviceType = open.deviceType;
        connection.view.deviceName = open.deviceName;
        connection.view.state = RasConnected;
        connection.connectedAt = now;
        connection.dropAfterMs = open.dropAfterMs;
        connection.dropError = 628;
        connection.hangUpMs = scenario.hangUpMs;
        connections.push_back(connection);
        LogLine("open").AddHandle("handle", connection.view.handle).Add("entry", open.entry)
            .Add("device", open.deviceName).Write();
    }
    for (const std::string& name : scenario.knownEntries)
        entries[EntryKey(name)] = EntryRecord{};
}

void Service::StoreEntry(const std::string& name, const EntryRecord& entry)
{
    std::lock_guard<std::mutex> hold(lock);
    entries[EntryKey(name)] = entry;
}

bool Service::FindEntry(const std::string& name, EntryRecord& out) const
{
    std::lock_guard<std::mutex> hold(lock);
    auto found = entries.find(EntryKey(name));
    if (found == entries.end())
        return false;
    out = found->second;
    return true;
}

bool Service::DeviceExists(const std::string& name) const
{
    std::lock_guard<std::mutex> hold(lock);
    return std::any_of(scenario.devices.begin(), scenario.devices.end(),
                       [&](const ScriptedDevice& device) { return device.name == name; });
}

DialScript Service::TakeScript(const std::string& number)
{
    std::lock_guard<std::mutex> hold(lock);
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < scenario.dials.size(); ++i) {
            const DialScript& script = scenario.dials[i];
            bool matches = pass == 0 ? (!script.number.empty() && script.number == number) : script.number.empty();
            if (matches && !dialUsed[i]) {
                dialUsed[i] = true;
                return script;
            }
        }
    }
    return scenario.unscripted;
}

RasConnHandle Service::AddConnection(const ConnectionView& view, const DialScript& script,
                                     std::shared_ptr<KernelHandle>& stopEvent)
{
    std::lock_guard<std::mutex> hold(lock);
    Connection connection;
    connection.view = view;
    connection.view.handle = reinterpret_cast<RasConnHandle>(nextHandle);
    nextHandle += 4;
    connection.view.state = RasOpenPort;
    connection.dropAfterMs = script.dropAfterMs;
    connection.dropError = script.dropError;
    connection.hangUpMs = script.hangUpMs >= 0 ? script.hangUpMs : scenario.hangUpMs;
    connection.stopEvent = std::make_shared<KernelHandle>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    stopEvent = connection.stopEvent;
    connections.push_back(connection);
    return connection.view.handle;
}

bool Service::SetProgress(RasConnHandle handle, DWORD state, DWORD error)
{
    std::lock_guard<std::mutex> hold(lock);
    for (Connection& connection : connections) {
        if (connection.view.handle == handle && !connection.hungUp) {
            connection.view.state = state;
            connection.view.error = error;
            return true;
        }
    }
    return false;
}

bool Service::MarkConnected(RasConnHandle handle)
{
    std::lock_guard<std::mutex> hold(lock);
    for (Connection& connection : connections) {
        if (connection.view.handle == handle && !connection.hungUp) {
            connection.view.state = RasConnected;
            connection.view.error = 0;
            connection.connectedAt = GetTickCount64();
            return true;
        }
    }
    return false;
}

void Service::Refresh()
{
    ULONGLONG now = GetTickCount64();
    for (Connection& connection : connections) {
        bool dropDue = connection.view.state == RasConnected && connection.dropAfterMs >= 0 && !connection.hungUp &&
                       now >= connection.connectedAt + static_cast<ULONGLONG>(connection.dropAfterMs);
        if (dropDue) {
            connection.view.state = RasDisconnected;
            connection.view.error = connection.dropError;
            LogLine("drop").AddHandle("handle", connection.view.handle).Add("error", connection.dropError).Write();
        }
    }
    auto gone = [&](const Connection& connection) {
        bool ended = connection.hungUp && now >= connection.hungUpAt + static_cast<ULONGLONG>(connection.hangUpMs);
        if (ended)
            LogLine("released").AddHandle("handle", connection.view.handle).Write();
        return ended;
    };
    connections.erase(std::remove_if(connections.begin(), connections.end(), gone), connections.end());
}

bool Service::EntryBeingDialled(const std::string& entry)
{
    std::lock_guard<std::mutex> hold(lock);
    for (const Connection& connection : connections) {
        bool dialling = !connection.hungUp && connection.view.state < RasConnected && connection.view.error == 0;
        if (dialling && EntryKey(connection.view.entry) == EntryKey(entry))
            return true;
    }
    return false;
}

bool Service::Status(RasConnHandle handle, ConnectionView& out)
{
    std::lock_guard<std::mutex> hold(lock);
    Refresh();
    for (const Connection& connection : connections) {
        if (connection.view.handle == handle) {
            out = connection.view;
            return true;
        }
    }
    return false;
}

bool Service::HangUp(RasConnHandle handle)
{
    std::lock_guard<std::mutex> hold(lock);
    Refresh();
    for (Connection& connection : connections) {
        if (connection.view.handle != handle)
            continue;
        if (!connection.hungUp) {
            connection.hungUp = true;
            connection.hungUpAt = GetTickCount64();
            connection.view.state = RasDisconnected;
            connection.view.error = 0;
            if (connection.stopEvent)
                SetEvent(connection.stopEvent->Get());
        }
        return true;
    }
    return false;
}

bool Service::EnumerationFails(unsigned long& code)
{
    std::lock_guard<std::mutex> hold(lock);
    ++enumerations;
    if (scenario.enumFailEvery <= 0 || enumerations % scenario.enumFailEvery != 0)
        return false;
    code = scenario.enumFailResult;
    return true;
}

bool Service::StatusFails(unsigned long& code)
{
    std::lock_guard<std::mutex> hold(lock);
    ++statusQueries;
    if (scenario.statusFailEvery <= 0 || statusQueries % scenario.statusFailEvery != 0)
        return false;
    code = scenario.statusFailResult;
    return true;
}

std::vector<ConnectionView> Service::Listed()
{
    std::lock_guard<std::mutex> hold(lock);
    Refresh();
    std::vector<ConnectionView> listed;
    for (const Connection& connection : connections)
        if (!connection.hungUp)
            listed.push_back(connection.view);
    return listed;
}

bool Service::ChangedSinceLastLog(const std::string& key, const std::string& answer)
{
    std::lock_guard<std::mutex> hold(lock);
    std::string& last = lastLogged[key];
    if (last == answer)
        return false;
    last = answer;
    return true;
}

}  // namespace rasim
