#include "DialRunner.h"

#include "EventLog.h"
#include "Service.h"

namespace rasim {

namespace {

constexpr DWORD kUserDisconnected = 631;
constexpr DWORD kRemoteDisconnected = 629;

struct RunnerStart {
    RasConnHandle handle;
    DialScript script;
    Notifier notifier;
    std::shared_ptr<KernelHandle> stopEvent;
    HMODULE self;
};

void Notify(const Notifier& notifier, RasConnHandle handle, DWORD state, DWORD error)
{
    LogLine("notify").AddHandle("handle", handle).Add("state", state).Add("error", error).Write();
    notifier.Call(handle, state, error);
}

// Sleeps the step unless the connection is hung up meanwhile.
bool Wait(HANDLE stopEvent, int ms)
{
    return WaitForSingleObject(stopEvent, static_cast<DWORD>(ms)) == WAIT_TIMEOUT;
}

DWORD WINAPI RunnerThread(void* parameter)
{
    RunnerStart* start = static_cast<RunnerStart*>(parameter);
    HMODULE self = start->self;
    RunDialScript(start->handle, start->script, start->notifier, start->stopEvent->Get());
    delete start;
    // The thread holds its own reference to the simulator, so a caller that
    // unloads it meanwhile does not pull the code from under this thread.
    FreeLibraryAndExitThread(self, 0);
    return 0;
}

}  // namespace

void Notifier::Call(RasConnHandle handle, DWORD state, DWORD error) const
{
    if (!function)
        return;
    if (type == kRasNotifierType1)
        reinterpret_cast<RasDialNotifier1>(function)(handle, kRasDialEventMessage, static_cast<RasConnState>(state),
                                                      error, 0);
    else
        reinterpret_cast<RasDialNotifier>(function)(kRasDialEventMessage, static_cast<RasConnState>(state), error);
}

DWORD RunDialScript(RasConnHandle handle, const DialScript& script, const Notifier& notifier, HANDLE stopEvent)
{
    Service& service = Service::Instance();
    DWORD lastState = RasOpenPort;
    for (DWORD state : script.states) {
        if (!Wait(stopEvent, script.stepMs) || !service.SetProgress(handle, state, 0))
            return kUserDisconnected;
        lastState = state;
        Notify(notifier, handle, state, 0);
    }
    if (!Wait(stopEvent, script.stepMs))
        return kUserDisconnected;
    if (script.connects) {
        if (!service.MarkConnected(handle))
            return kUserDisconnected;
        LogLine("connected").AddHandle("handle", handle).Write();
        Notify(notifier, handle, RasConnected, 0);
        return 0;
    }
    if (script.disconnects) {
        if (!service.SetProgress(handle, RasDisconnected, 0))
            return kUserDisconnected;
        Notify(notifier, handle, RasDisconnected, 0);
        return kRemoteDisconnected;
    }
    // The failed attempt is reported in the state it failed in; afterwards
    // the connection reads as disconnected with that error until hung up.
    if (!service.SetProgress(handle, RasDisconnected, script.error))
        return kUserDisconnected;
    Notify(notifier, handle, lastState, script.error);
    return script.error;
}

bool StartDialRunner(RasConnHandle handle, const DialScript& script, const Notifier& notifier,
                     std::shared_ptr<KernelHandle> stopEvent)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&RunnerThread), &self))
        return false;
    RunnerStart* start = new RunnerStart{handle, script, notifier, std::move(stopEvent), self};
    KernelHandle thread(CreateThread(nullptr, 0, RunnerThread, start, 0, nullptr));
    if (!thread) {
        delete start;
        FreeLibrary(self);
        return false;
    }
    return true;
}

}  // namespace rasim
