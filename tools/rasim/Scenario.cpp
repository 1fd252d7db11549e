#include "Scenario.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

namespace rasim {

namespace {

struct Line {
    std::string keyword;
    std::map<std::string, std::string> values;
};

// keyword key=value key="value with spaces" ...
bool SplitLine(const std::string& text, Line& line, std::string& why)
{
    size_t pos = 0;
    auto skipSpace = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
    };
    skipSpace();
    while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t')
        line.keyword += text[pos++];
    for (skipSpace(); pos < text.size(); skipSpace()) {
        size_t eq = text.find('=', pos);
        size_t space = text.find_first_of(" \t", pos);
        if (eq == std::string::npos || (space != std::string::npos && space < eq)) {
            why = "expected key=value";
            return false;
        }
        std::string key = text.substr(pos, eq - pos);
        pos = eq + 1;
        std::string value;
        if (pos < text.size() && text[pos] == '"') {
            size_t close = text.find('"', pos + 1);
            if (close == std::string::npos) {
                why = "unterminated quote";
                return false;
            }
            value = text.substr(pos + 1, close - pos - 1);
            pos = close + 1;
        } else {
            while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t')
                value += text[pos++];
        }
        line.values[key] = value;
    }
    return true;
}

bool ParseNumber(const std::string& text, unsigned long& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    out = std::strtoul(text.c_str(), &end, 0);
    return *end == '\0';
}

// Seconds, fractions allowed, into milliseconds.
bool ParseSeconds(const std::string& text, int& outMs)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    double seconds = std::strtod(text.c_str(), &end);
    if (*end != '\0' || seconds < 0 || seconds > 86400)
        return false;
    outMs = static_cast<int>(seconds * 1000 + 0.5);
    return true;
}

bool ParseMs(const std::string& text, int& outMs)
{
    unsigned long value = 0;
    if (!ParseNumber(text, value) || value > 3600000)
        return false;
    outMs = static_cast<int>(value);
    return true;
}

bool ParseStates(const std::string& text, std::vector<unsigned long>& states)
{
    states.clear();
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        unsigned long state = 0;
        if (!ParseNumber(item, state))
            return false;
        states.push_back(state);
    }
    return true;
}

// Keys shared by "dial" and "default". An error's progress stops at the
// connect-device state unless states= says otherwise.
bool ApplyDialKeys(const Line& line, DialScript& script, std::string& why)
{
    bool statesGiven = false;
    for (const auto& [key, value] : line.values) {
        bool ok = true;
        if (key == "number") {
            script.number = value;
        } else if (key == "fail") {
            ok = ParseNumber(value, script.failAtOnce) && script.failAtOnce != 0;
        } else if (key == "states") {
            ok = ParseStates(value, script.states);
            statesGiven = true;
        } else if (key == "step") {
            ok = ParseMs(value, script.stepMs);
        } else if (key == "result") {
            script.connects = value == "connect";
            script.disconnects = value == "disconnect";
            if (!script.connects && !script.disconnects) {
                ok = ParseNumber(value, script.error) && script.error != 0;
            }
        } else if (key == "drop") {
            ok = ParseSeconds(value, script.dropAfterMs);
        } else if (key == "droperror") {
            ok = ParseNumber(value, script.dropError);
        } else if (key == "hangup") {
            ok = ParseMs(value, script.hangUpMs);
        } else {
            why = "unknown key " + key;
            return false;
        }
        if (!ok) {
            why = "bad value for " + key;
            return false;
        }
    }
    if (!statesGiven)
        script.states = script.connects ? std::vector<unsigned long>{0, 1, 2, 3, 4, 5, 14}
                                        : std::vector<unsigned long>{0, 1, 2};
    return true;
}

bool OnlyKeys(const Line& line, std::initializer_list<const char*> allowed, std::string& why)
{
    for (const auto& entry : line.values) {
        bool known = false;
        for (const char* key : allowed)
            known = known || entry.first == key;
        if (!known) {
            why = "unknown key " + entry.first;
            return false;
        }
    }
    return true;
}

bool ApplyLine(const Line& line, Scenario& scenario, std::string& why)
{
    auto value = [&](const char* key) {
        auto found = line.values.find(key);
        return found == line.values.end() ? std::string() : found->second;
    };
    if (line.keyword == "device") {
        if (!OnlyKeys(line, {"type", "name"}, why))
            return false;
        if (value("type").empty() || value("name").empty()) {
            why = "device needs type= and name=";
            return false;
        }
        scenario.devices.push_back({value("type"), value("name")});
    } else if (line.keyword == "open") {
        if (!OnlyKeys(line, {"entry", "device", "type", "drop"}, why))
            return false;
        OpenConnection open;
        open.entry = value("entry");
        open.deviceName = value("device");
        open.deviceType = value("type");
        if (open.entry.empty()) {
            why = "open needs entry=";
            return false;
        }
        if (line.values.count("drop") && !ParseSeconds(value("drop"), open.dropAfterMs)) {
            why = "bad value for drop";
            return false;
        }
        if (open.deviceType.empty()) {
            open.deviceType = "modem";
            for (const auto& device : scenario.devices)
                if (device.name == open.deviceName)
                    open.deviceType = device.type;
        }
        scenario.openAtStart.push_back(open);
    } else if (line.keyword == "phonebook") {
        if (!OnlyKeys(line, {"entry"}, why) || value("entry").empty()) {
            why = why.empty() ? "phonebook needs entry=" : why;
            return false;
        }
        scenario.knownEntries.push_back(value("entry"));
    } else if (line.keyword == "setentry") {
        if (!OnlyKeys(line, {"result"}, why) || !ParseNumber(value("result"), scenario.setEntryResult)) {
            why = why.empty() ? "setentry needs result=CODE" : why;
            return false;
        }
    } else if (line.keyword == "hangup") {
        if (!OnlyKeys(line, {"ms"}, why) || !ParseMs(value("ms"), scenario.hangUpMs)) {
            why = why.empty() ? "hangup needs ms=N" : why;
            return false;
        }
    } else if (line.keyword == "enumfail" || line.keyword == "statusfail") {
        const bool listing = line.keyword == "enumfail";
        unsigned long every = 0;
        unsigned long& result = listing ? scenario.enumFailResult : scenario.statusFailResult;
        if (!OnlyKeys(line, {"every", "result"}, why) || !ParseNumber(value("every"), every) || every == 0 ||
            (line.values.count("result") && !ParseNumber(value("result"), result))) {
            why = why.empty() ? line.keyword + " needs every=N (N > 0), result=CODE optional" : why;
            return false;
        }
        (listing ? scenario.enumFailEvery : scenario.statusFailEvery) = static_cast<int>(every);
    } else if (line.keyword == "dial") {
        DialScript script;
        if (!ApplyDialKeys(line, script, why))
            return false;
        scenario.dials.push_back(script);
    } else if (line.keyword == "default") {
        DialScript script;
        if (line.values.count("number")) {
            why = "default takes no number=";
            return false;
        }
        if (!ApplyDialKeys(line, script, why))
            return false;
        scenario.unscripted = script;
    } else {
        why = "unknown keyword " + line.keyword;
        return false;
    }
    return true;
}

}  // namespace

Scenario DefaultScenario()
{
    Scenario scenario;
    scenario.unscripted.states = {0, 1, 2};
    return scenario;
}

Scenario ParseScenario(const std::string& text, std::vector<std::string>& errors)
{
    Scenario scenario = DefaultScenario();
    std::stringstream lines(text);
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        size_t first = raw.find_first_not_of(" \t");
        if (first == std::string::npos || raw[first] == '#')
            continue;
        Line line;
        std::string why;
        if (!SplitLine(raw, line, why) || !ApplyLine(line, scenario, why)) {
            char message[512];
            std::snprintf(message, sizeof message, "line %d: %s", number, why.c_str());
            errors.push_back(message);
        }
    }
    return scenario;
}

}  // namespace rasim
