#pragma once
// Reads the simulated remote-access service's log (see tools/rasim/README.md)
// for tests: one event per line, "event<TAB>key=value<TAB>...".
#include <map>
#include <string>
#include <vector>

namespace rasim {

struct LogEvent {
    std::string event;
    std::map<std::string, std::string> fields;

    // The field's value, or an empty text when the line has none.
    std::string Get(const std::string& key) const;
    unsigned long Number(const std::string& key) const;
};

// Parses the log text; a last line without its line break (still being
// written) is left out.
std::vector<LogEvent> ParseRasimLog(const std::string& text);

// Reads and parses the log file; an empty list when it cannot be read.
std::vector<LogEvent> ReadRasimLog(const std::string& path);

// The events with this name, in order.
std::vector<LogEvent> EventsNamed(const std::vector<LogEvent>& events, const std::string& name);

}  // namespace rasim
