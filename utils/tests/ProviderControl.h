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

// Writes data as the served file ROOT/relativePath (folders made as needed).
void ServeFile(const std::string& relativePath, const std::string& data);

// GET /_control/<what>; true on a 200 answer.
bool Control(const std::string& pathAndQuery);
bool Reset();
// Sets an answer document for ?action=action.
bool SetAnswer(const std::string& action, const std::string& document);

// One logged request with the fields the tests look at.
struct LoggedRequest {
    std::string path;
    std::string query;
    std::string range;     // empty when the request had no Range header
    std::string userAgent;
    int status = 0;
};
std::vector<LoggedRequest> Log();

} // namespace provider
