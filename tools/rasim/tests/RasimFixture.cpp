#include "RasimFixture.h"

#include <condition_variable>
#include <cstdio>

namespace {

std::mutex notifyLock;
std::condition_variable notified;
std::vector<Notification> notifications;

void WINAPI RecordNotification(UINT message, RasConnState state, DWORD error)
{
    std::lock_guard<std::mutex> hold(notifyLock);
    notifications.push_back({GetCurrentThreadId(), message, static_cast<DWORD>(state), error});
    notified.notify_all();
}

std::string SimulatorPath()
{
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string path = exe;
    path = path.substr(0, path.find_last_of('\\'));
    // The test runs from bin\; the simulator is kept apart in rasim\.
    return path + "\\..\\rasim\\rasapi32.dll";
}

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(GetProcAddress(module, name));
    ASSERT_NE(function, nullptr) << name;
}

}  // namespace

void RasimTest::Load(const std::string& scenario)
{
    {
        std::lock_guard<std::mutex> hold(notifyLock);
        notifications.clear();
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    char log[MAX_PATH];
    std::snprintf(log, sizeof log, "%srasim-test-%lu.log", temp, GetCurrentProcessId());
    logPath = log;
    DeleteFileA(logPath.c_str());
    SetEnvironmentVariableA("TOVRIN_RASIM_LOG", logPath.c_str());
    std::string scenarioPath = scenario.empty() ? "" : std::string(RASIM_SCENARIO_DIR "/") + scenario;
    SetEnvironmentVariableA("TOVRIN_RASIM_SCENARIO", scenario.empty() ? nullptr : scenarioPath.c_str());

    module.Reset(LoadLibraryA(SimulatorPath().c_str()));
    ASSERT_TRUE(module.Valid()) << "cannot load " << SimulatorPath();
    HMODULE loaded = module.Get();
    // Wine's own rasapi32 exports the wide forms; the simulator does not.
    ASSERT_EQ(GetProcAddress(loaded, "RasDialW"), nullptr) << "the system's rasapi32 was loaded";
    Resolve(loaded, "RasEnumDevicesA", api.EnumDevices);
    Resolve(loaded, "RasSetEntryPropertiesA", api.SetEntryProperties);
    Resolve(loaded, "RasDialA", api.Dial);
    Resolve(loaded, "RasHangUpA", api.HangUp);
    Resolve(loaded, "RasGetConnectStatusA", api.GetConnectStatus);
    Resolve(loaded, "RasEnumConnectionsA", api.EnumConnections);
    Resolve(loaded, "RasGetErrorStringA", api.GetErrorString);
}

void RasimTest::TearDown()
{
    if (!module)
        return;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module.Get(), path, sizeof path);
    module.Reset();
    // Dial threads hold the simulator until their script ends; the next
    // test must get a fresh copy with its own scenario.
    for (int i = 0; i < 100 && GetModuleHandleA(path); ++i)
        Sleep(50);
    EXPECT_EQ(GetModuleHandleA(path), nullptr) << "simulator still loaded";
    DeleteFileA(logPath.c_str());
}

RasDialParamsOld RasimTest::DialParams(const char* phone, const char* user)
{
    RasDialParamsOld params = {};
    params.size = kRasDialParamsSize;
    std::snprintf(params.entryName, sizeof params.entryName, "%s", "Tovrin");
    std::snprintf(params.phoneNumber, sizeof params.phoneNumber, "%s", phone);
    std::snprintf(params.userName, sizeof params.userName, "%s", user);
    std::snprintf(params.password, sizeof params.password, "%s", "s3cret");
    return params;
}

DWORD RasimTest::Dial(const char* phone, RasConnHandle& handle)
{
    RasDialParamsOld params = DialParams(phone);
    return api.Dial(nullptr, nullptr, &params, kRasNotifierType0, reinterpret_cast<void*>(&RecordNotification),
                    &handle);
}

DWORD RasimTest::StatusOf(RasConnHandle handle, RasConnStatusOld& status)
{
    status = {};
    status.size = kRasConnStatusSize;
    return api.GetConnectStatus(handle, &status);
}

std::vector<Notification> RasimTest::WaitForNotifications(size_t count)
{
    std::unique_lock<std::mutex> hold(notifyLock);
    notified.wait_for(hold, std::chrono::seconds(5), [&] { return notifications.size() >= count; });
    return notifications;
}

bool RasimTest::WaitForState(RasConnHandle handle, DWORD state)
{
    for (int i = 0; i < 250; ++i) {
        RasConnStatusOld status;
        if (StatusOf(handle, status) == kRasOk && status.state == state)
            return true;
        Sleep(20);
    }
    return false;
}
