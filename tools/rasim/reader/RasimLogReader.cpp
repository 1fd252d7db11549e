#include "RasimLogReader.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace rasim {

std::string LogEvent::Get(const std::string& key) const
{
    auto found = fields.find(key);
    return found == fields.end() ? std::string() : found->second;
}

unsigned long LogEvent::Number(const std::string& key) const
{
    return std::strtoul(Get(key).c_str(), nullptr, 0);
}

std::vector<LogEvent> ParseRasimLog(const std::string& text)
{
    std::vector<LogEvent> events;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start)) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        LogEvent event;
        std::stringstream fields(line);
        std::getline(fields, event.event, '\t');
        std::string field;
        while (std::getline(fields, field, '\t')) {
            size_t eq = field.find('=');
            if (eq != std::string::npos)
                event.fields[field.substr(0, eq)] = field.substr(eq + 1);
        }
        events.push_back(event);
    }
    return events;
}

std::vector<LogEvent> ReadRasimLog(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    std::stringstream text;
    text << file.rdbuf();
    return ParseRasimLog(text.str());
}

std::vector<LogEvent> EventsNamed(const std::vector<LogEvent>& events, const std::string& name)
{
    std::vector<LogEvent> named;
    for (const LogEvent& event : events)
        if (event.event == name)
            named.push_back(event);
    return named;
}

}  // namespace rasim
