#include "ProviderControl.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>

#include "utils/InternetHandle.h"
#include "utils/ScopedHandle.h"

namespace provider {

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A plain GET or POST through WinINet; the body comes back in *answer.
bool Send(const std::string& url, const std::string* postBody, std::string* answer)
{
    InternetHandle session(InternetOpenA("tovrin-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session.Get())
        return false;
    URL_COMPONENTSA parts = {};
    char host[64] = {};
    char path[1024] = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts))
        return false;
    InternetHandle connection(InternetConnectA(session.Get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.Get())
        return false;
    InternetHandle request(HttpOpenRequestA(connection.Get(), postBody ? "POST" : "GET", path, nullptr, nullptr, nullptr,
                                 INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0));
    if (!request.Get())
        return false;
    void* body = postBody ? const_cast<char*>(postBody->data()) : nullptr;
    const DWORD bodyLength = postBody ? static_cast<DWORD>(postBody->size()) : 0;
    if (!HttpSendRequestA(request.Get(), nullptr, 0, body, bodyLength))
        return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    char chunk[4096];
    DWORD count = 0;
    while (InternetReadFile(request.Get(), chunk, sizeof chunk, &count) && count > 0) {
        if (answer)
            answer->append(chunk, count);
    }
    return status == 200;
}

// The raw text of a field in one JSON line as provider.py writes it
// ("name": value); strings come back without their quotes, null as "".
std::string Field(const std::string& line, const char* name)
{
    const std::string key = std::string("\"") + name + "\": ";
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return "";
    size_t p = at + key.size();
    if (line.compare(p, 4, "null") == 0)
        return "";
    if (line[p] != '"') {
        const size_t end = line.find_first_of(",}", p);
        return line.substr(p, end - p);
    }
    std::string text;
    for (++p; p < line.size() && line[p] != '"'; ++p) {
        if (line[p] == '\\' && p + 1 < line.size())
            ++p;
        text += line[p];
    }
    return text;
}

} // namespace

std::string BaseUrl()
{
    return Env("PROVIDER_URL");
}

std::string FileUrl(const std::string& relativePath)
{
    return BaseUrl() + "/" + relativePath;
}

std::string Root()
{
    return Env("PROVIDER_ROOT_WIN");
}

std::string ServeFile(const std::string& relativePath, unsigned int size, unsigned int seed)
{
    std::string content(size, '\0');
    unsigned int state = seed * 2654435761u + 12345u;
    for (unsigned int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        content[i] = static_cast<char>(state >> 16);
    }
    ServeFile(relativePath, content);
    return content;
}

void ServeFile(const std::string& relativePath, const std::string& data)
{
    std::string path = Root() + "\\";
    for (char c : relativePath) {
        if (c == '/') {
            CreateDirectoryA(path.c_str(), nullptr);
            path += '\\';
        } else {
            path += c;
        }
    }
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

bool Control(const std::string& pathAndQuery)
{
    return Send(BaseUrl() + "/_control/" + pathAndQuery, nullptr, nullptr);
}

bool Reset()
{
    return Control("reset");
}

bool SetAnswer(const std::string& action, const std::string& document)
{
    return Send(BaseUrl() + "/_control/answer?action=" + action, &document, nullptr);
}

bool Post(const std::string& pathAndQuery, const std::string& body)
{
    return Send(BaseUrl() + pathAndQuery, &body, nullptr);
}

void AddFault(const std::string& path, const std::string& keys, int times)
{
    Control("fault?path=" + path + "&" + keys + "&times=" + std::to_string(times));
}

std::vector<LoggedRequest> Log()
{
    std::string text;
    std::vector<LoggedRequest> entries;
    if (!Send(BaseUrl() + "/_control/log", nullptr, &text))
        return entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty())
            continue;
        LoggedRequest entry;
        entry.method = Field(line, "method");
        entry.path = Field(line, "path");
        entry.query = Field(line, "query");
        entry.range = Field(line, "range");
        entry.userAgent = Field(line, "user_agent");
        entry.status = std::atoi(Field(line, "status").c_str());
        entry.action = Field(line, "action");
        entry.user = Field(line, "user");
        entry.arrived = std::atof(Field(line, "time").c_str());
        entry.line = line;
        entries.push_back(entry);
    }
    return entries;
}

std::vector<LoggedRequest> RequestsFor(const std::string& path)
{
    std::vector<LoggedRequest> found;
    for (const LoggedRequest& entry : Log()) {
        if (entry.path == path)
            found.push_back(entry);
    }
    return found;
}

} // namespace provider
