#include "ProviderControl.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "utils/ScopedHandle.h"

namespace delivery {

namespace {

struct InternetTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { InternetCloseHandle(h); }
};
using InternetHandle = ScopedHandle<InternetTraits>;

std::string EnvText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

int ProviderPort()
{
    return std::atoi(EnvText("PROVIDER_PORT").c_str());
}

bool Request(const char* verb, const std::string& pathAndQuery, const std::string* body, std::string* answer)
{
    InternetHandle session(InternetOpenA("delivery-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session)
        return false;
    InternetHandle connection(InternetConnectA(session.Get(), "127.0.0.1", static_cast<INTERNET_PORT>(ProviderPort()),
                                               nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return false;
    InternetHandle request(HttpOpenRequestA(connection.Get(), verb, pathAndQuery.c_str(), nullptr, nullptr, nullptr,
                                            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request)
        return false;
    void* data = body ? const_cast<char*>(body->data()) : nullptr;
    const DWORD length = body ? static_cast<DWORD>(body->size()) : 0;
    if (!HttpSendRequestA(request.Get(), nullptr, 0, data, length))
        return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return false;
    std::string text;
    char chunk[4096];
    DWORD count = 0;
    while (InternetReadFile(request.Get(), chunk, sizeof chunk, &count) && count > 0)
        text.append(chunk, count);
    if (answer)
        *answer = text;
    return status == 200;
}

// The value of "key": in one JSON line written by the server: a string, a
// number or null (empty).
std::string JsonField(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\": ";
    const size_t at = line.find(marker);
    if (at == std::string::npos)
        return "";
    size_t start = at + marker.size();
    if (line.compare(start, 4, "null") == 0)
        return "";
    if (line[start] == '"') {
        const size_t end = line.find('"', start + 1);
        return line.substr(start + 1, end - start - 1);
    }
    const size_t end = line.find_first_of(",}", start);
    return line.substr(start, end - start);
}

} // namespace

std::string ProviderUrl()
{
    return EnvText("PROVIDER_URL");
}

std::string ProviderRoot()
{
    return EnvText("PROVIDER_ROOT_WIN");
}

bool ProviderGet(const std::string& pathAndQuery, std::string* body)
{
    return Request("GET", pathAndQuery, nullptr, body);
}

bool ProviderPost(const std::string& pathAndQuery, const std::string& body)
{
    return Request("POST", pathAndQuery, &body, nullptr);
}

void ResetProvider()
{
    ProviderGet("/_control/reset");
}

void AddFault(const std::string& path, const std::string& keys, int times)
{
    ProviderGet("/_control/fault?path=" + path + "&" + keys + "&times=" + std::to_string(times));
}

std::string ServeFile(const std::string& relativePath, unsigned int size, unsigned int seed)
{
    std::string content(size, '\0');
    unsigned int state = seed * 2654435761u + 12345u;
    for (unsigned int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        content[i] = static_cast<char>(state >> 16);
    }
    ServeText(relativePath, content);
    return content;
}

void ServeText(const std::string& relativePath, const std::string& text)
{
    std::string path = ProviderRoot() + "\\" + relativePath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    // Make the folders on the way.
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<LogEntry> ReadLog()
{
    std::string text;
    ProviderGet("/_control/log", &text);
    std::vector<LogEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        LogEntry entry;
        entry.method = JsonField(line, "method");
        entry.path = JsonField(line, "path");
        entry.range = JsonField(line, "range");
        entry.status = std::atoi(JsonField(line, "status").c_str());
        entries.push_back(entry);
    }
    return entries;
}

std::vector<LogEntry> RequestsFor(const std::string& path)
{
    std::vector<LogEntry> found;
    for (const LogEntry& entry : ReadLog()) {
        if (entry.path == path)
            found.push_back(entry);
    }
    return found;
}

} // namespace delivery
