#pragma once
// Plays one dial's script: progress states with their delays, then the
// connected state or the scripted error, each reported to the notifier.
#include "Scenario.h"
#include "dialler/RasRecords.h"
#include "utils/ScopedHandle.h"

#include <memory>

namespace rasim {

// The message number the service passes to a notifier.
constexpr UINT kRasDialEventMessage = 0xCCCD;

// The caller's notifier: type 0 (message, state, error) or type 1, which is
// also given the connection handle and an extended error (always 0 here).
struct Notifier {
    DWORD type = kRasNotifierType0;
    void* function = nullptr;

    explicit operator bool() const { return function != nullptr; }
    void Call(RasConnHandle handle, DWORD state, DWORD error) const;
};

// Runs on a thread of its own and returns at once; the notifier is called
// from that thread. False if the thread could not start.
bool StartDialRunner(RasConnHandle handle, const DialScript& script, const Notifier& notifier,
                     std::shared_ptr<KernelHandle> stopEvent);

// Runs on the calling thread (a dial without notifier); returns the
// outcome: 0 when connected, else the error.
DWORD RunDialScript(RasConnHandle handle, const DialScript& script, const Notifier& notifier, HANDLE stopEvent);

}  // namespace rasim
