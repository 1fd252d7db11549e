#pragma once
// The simulator's call log: one line per event, tab-separated fields
// "event<TAB>key=value<TAB>...<TAB>ms=N", written straight through so a test
// can read it while the program under test runs. Safe from any thread.
#include <windows.h>

#include <string>

namespace rasim {

class LogLine {
public:
    explicit LogLine(const char* event);
    LogLine& Add(const char* key, const char* value);
    LogLine& Add(const char* key, const std::string& value) { return Add(key, value.c_str()); }
    LogLine& Add(const char* key, unsigned long value);
    LogLine& AddHex(const char* key, unsigned long value);
    LogLine& AddHandle(const char* key, const void* handle);
    // Adds the time stamp and appends the line to the log, if there is one.
    void Write();

private:
    std::string text;
};

// Opens the log named by the environment (TOVRIN_RASIM_LOG); without it,
// lines are dropped.
void OpenEventLog();
void CloseEventLog();

// Milliseconds since the simulator was loaded.
unsigned long ElapsedMs();

// A Unix path (as test scripts write them) turned into its Wine drive path.
std::string ToWindowsPath(const std::string& path);

}  // namespace rasim
