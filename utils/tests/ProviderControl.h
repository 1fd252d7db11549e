#pragma once
// Drives the provider stand-in from a Windows test: its address, the files it
// serves, its scripted faults and its request log. Uses WinINet directly, so
// it does not depend on the library under test.
#include <string>
#include <vector>

namespace provider {

// http://127.0.0.1:PORT from PROVIDER_URL; empty when the test runs without
// the server.
std::string BaseUrl();
std::string FileUrl(const std::string& relativePath);
// The served folder as Wine sees it (PROVIDER_ROOT_WIN).
std::string Root();

// Writes data as the served file ROOT/relativePath (folders made as needed).
void ServeFile(const std::string& relativePath, const std::string& data);
// Serves size bytes made from seed and returns them. The pattern differs by
// seed and is not periodic in 16 KB, so a misplaced block shows.
std::string ServeFile(const std::string& relativePath, unsigned int size, unsigned int seed);

// GET /_control/<what>; true on a 200 answer.
bool Control(const std::string& pathAndQuery);
bool Reset();
// Sets an answer document for ?action=action.
bool SetAnswer(const std::string& action, const std::string& document);
// POSTs body to a path with query on the server; true on a 200 answer.
bool Post(const std::string& pathAndQuery, const std::string& body);
// Scripts a fault on a served path, e.g. ("/files/a.bin", "cut=1000", 1).
void AddFault(const std::string& path, const std::string& keys, int times);

// One logged request with the fields the tests look at.
struct LoggedRequest {
    std::string method;
    std::string path;
    std::string query;
    std::string range;     // empty when the request had no Range header
    std::string userAgent;
    int status = 0;
    std::string action;  // the decoded query parameters the server read
    std::string user;
    double arrived = 0;  // when the server took the request, in seconds
    std::string line;  // the whole log line, for failure messages
};
std::vector<LoggedRequest> Log();
// The logged requests for one path, in order.
std::vector<LoggedRequest> RequestsFor(const std::string& path);

} // namespace provider
