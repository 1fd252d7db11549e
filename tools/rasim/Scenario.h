#pragma once
// The script of the simulated remote-access service: devices, connections
// open at start, and how each dial goes. Parsed from the line-based text
// described in README.md.
#include <string>
#include <vector>

namespace rasim {

struct ScriptedDevice {
    std::string type;
    std::string name;
};

struct OpenConnection {
    std::string entry;
    std::string deviceType;
    std::string deviceName;
    int dropAfterMs = -1;  // measured from load; -1 = stays connected
};

// One RasDial call's course.
struct DialScript {
    std::string number;  // empty: any number, taken in file order
    unsigned long failAtOnce = 0;  // RasDial itself returns this code
    std::vector<unsigned long> states;
    int stepMs = 100;  // before each state and before the outcome
    bool connects = false;
    bool disconnects = false;  // ends with the disconnected state, error 0
    unsigned long error = 676;  // reported with the last state when not connecting
    int dropAfterMs = -1;  // after connecting; -1 = never
    unsigned long dropError = 628;
    int hangUpMs = -1;  // -1 = the scenario's default
};

struct Scenario {
    std::vector<ScriptedDevice> devices;
    std::vector<OpenConnection> openAtStart;
    std::vector<std::string> knownEntries;  // phonebook entries that exist before any write
    std::vector<DialScript> dials;  // both numbered and in-order scripts, file order
    DialScript unscripted;  // dials no script line matches
    unsigned long setEntryResult = 0;
    int hangUpMs = 300;
    // Every Nth RasEnumConnectionsA call fails with enumFailResult; 0 = never.
    int enumFailEvery = 0;
    unsigned long enumFailResult = 8;
    // Every Nth RasGetConnectStatusA call on a known handle fails with
    // statusFailResult; 0 = never.
    int statusFailEvery = 0;
    unsigned long statusFailResult = 8;
};

// A built-in script: no devices, every dial busy.
Scenario DefaultScenario();

// Parses the text; lines that cannot be understood are skipped and described
// in errors ("line N: why"), so a typo is visible in the log.
Scenario ParseScenario(const std::string& text, std::vector<std::string>& errors);

}  // namespace rasim
