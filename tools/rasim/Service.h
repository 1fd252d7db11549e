#pragma once
// The simulated service's state for this process: the scenario, the
// phonebook entries written, and the connection table. One instance, made on
// first use; every member takes the lock itself.
#include "Scenario.h"
#include "dialler/RasRecords.h"
#include "utils/ScopedHandle.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rasim {

struct ConnectionView {
    RasConnHandle handle = nullptr;
    std::string entry;
    std::string deviceType;
    std::string deviceName;
    DWORD state = RasOpenPort;
    DWORD error = 0;
};

struct EntryRecord {
    std::string deviceType;
    std::string deviceName;
    std::string phoneNumber;
    bool written = false;  // false: known from the scenario only
};

class Service {
public:
    static Service& Instance();

    std::vector<ScriptedDevice> Devices() const { return scenario.devices; }
    DWORD SetEntryResult() const { return scenario.setEntryResult; }

    void StoreEntry(const std::string& name, const EntryRecord& entry);
    bool FindEntry(const std::string& name, EntryRecord& out) const;
    bool DeviceExists(const std::string& name) const;

    // The script for a dial of this number: its own lines first, then the
    // in-order lines, then the unscripted default.
    DialScript TakeScript(const std::string& number);

    // A new connection in the open-port state; its stop event is set by
    // hang-up so the dial script stops at once.
    RasConnHandle AddConnection(const ConnectionView& view, const DialScript& script,
                                std::shared_ptr<KernelHandle>& stopEvent);

    // The script's progress. False once the connection is hung up or gone.
    bool SetProgress(RasConnHandle handle, DWORD state, DWORD error);
    bool MarkConnected(RasConnHandle handle);

    // True while a connection of this entry is still going through its
    // progress states (not hung up, not yet connected or failed).
    bool EntryBeingDialled(const std::string& entry);

    // False: the handle is not (or no longer) known.
    bool Status(RasConnHandle handle, ConnectionView& out);
    bool HangUp(RasConnHandle handle);
    // Counts an enumeration; true with the code when the scenario makes this
    // one fail.
    bool EnumerationFails(unsigned long& code);
    // The same for a status query of a known handle.
    bool StatusFails(unsigned long& code);
    // Connections not hung up, in the order they came.
    std::vector<ConnectionView> Listed();

    // Returns true when this answer differs from the last one logged under
    // the key, so repeated polls log once.
    bool ChangedSinceLastLog(const std::string& key, const std::string& answer);

private:
    Service();

    struct Connection {
        ConnectionView view;
        ULONGLONG connectedAt = 0;
        int dropAfterMs = -1;
        DWORD dropError = 0;
        bool hungUp = false;
        ULONGLONG hungUpAt = 0;
        int hangUpMs = 0;
        std::shared_ptr<KernelHandle> stopEvent;
    };

    // Applies line drops and hang-up ends that are due.
    void Refresh();

    mutable std::mutex lock;
    Scenario scenario;
    std::vector<bool> dialUsed;
    std::map<std::string, EntryRecord> entries;
    std::vector<Connection> connections;
    std::map<std::string, std::string> lastLogged;
    ULONG_PTR nextHandle = 0x1000;
    unsigned long enumerations = 0;
    unsigned long statusQueries = 0;
};

}  // namespace rasim
