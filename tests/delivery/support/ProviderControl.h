#pragma once
// Talks to the private provider server of a test run (with-provider.sh):
// serves files from its root, scripts faults, reads its request log.
#include <string>
#include <vector>

namespace delivery {

// PROVIDER_URL, e.g. http://127.0.0.1:PORT; empty when not set.
std::string ProviderUrl();
// The served folder as Wine sees it (PROVIDER_ROOT_WIN).
std::string ProviderRoot();

// GET or POST a path with query on the server; the body of the answer, or
// nullopt-like empty text with ok false on failure.
bool ProviderGet(const std::string& pathAndQuery, std::string* body = nullptr);
bool ProviderPost(const std::string& pathAndQuery, const std::string& body);

void ResetProvider();
// Scripts a fault on a served path, e.g. ("/files/a.bin", "cut=1000", 1).
void AddFault(const std::string& path, const std::string& keys, int times);

// Writes a file of size bytes under the served root and returns its content.
// The pattern differs by seed and is not periodic in 16 KB, so a misplaced
// block shows.
std::string ServeFile(const std::string& relativePath, unsigned int size, unsigned int seed);
void ServeText(const std::string& relativePath, const std::string& text);

struct LogEntry {
    std::string method;
    std::string path;
    std::string range;  // empty when the request had none
    int status = 0;
};
std::vector<LogEntry> ReadLog();
// Requests for one path, in order.
std::vector<LogEntry> RequestsFor(const std::string& path);

} // namespace delivery
