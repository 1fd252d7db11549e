#pragma once
// Loads the simulator DLL by path with a scenario and a fresh log, and
// unloads it again after each test so the next one starts from its scenario.
#include "RasimLogReader.h"
#include "dialler/RasRecords.h"
#include "utils/ScopedHandle.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

struct RasimApi {
    decltype(&RasEnumDevicesA) EnumDevices = nullptr;
    decltype(&RasSetEntryPropertiesA) SetEntryProperties = nullptr;
    decltype(&RasDialA) Dial = nullptr;
    decltype(&RasHangUpA) HangUp = nullptr;
    decltype(&RasGetConnectStatusA) GetConnectStatus = nullptr;
    decltype(&RasEnumConnectionsA) EnumConnections = nullptr;
    decltype(&RasGetErrorStringA) GetErrorString = nullptr;
};

// What the notifier was told, and on which thread.
struct Notification {
    DWORD threadId;
    UINT message;
    DWORD state;
    DWORD error;
};

class RasimTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Loads the simulator with tests/scenarios/<name>; an empty name loads
    // it without a scenario.
    void Load(const std::string& scenario);
    std::vector<rasim::LogEvent> Log() const { return rasim::ReadRasimLog(logPath); }

    // Dial parameters of the older form for the entry "Tovrin".
    static RasDialParamsOld DialParams(const char* phone, const char* user = "alice");
    // Dials with the recording notifier; returns RasDial's result.
    DWORD Dial(const char* phone, RasConnHandle& handle);
    DWORD StatusOf(RasConnHandle handle, RasConnStatusOld& status);

    // Waits until the notifier has been called count times (or 5 s pass).
    std::vector<Notification> WaitForNotifications(size_t count);
    // Waits until the status of the handle reaches the state (or 5 s pass).
    bool WaitForState(RasConnHandle handle, DWORD state);

    struct ModuleTraits {
        using Type = HMODULE;
        static Type Invalid() { return nullptr; }
        static void Close(Type module) { FreeLibrary(module); }
    };

    RasimApi api;
    ScopedHandle<ModuleTraits> module;
    std::string logPath;
};
