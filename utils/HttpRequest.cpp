#include "HttpRequest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>


namespace utils {

namespace {

const DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTH;

void SetTimeout(HINTERNET handle, DWORD option, DWORD milliseconds)
{
    InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
}

// Set on every level: Windows hands them down from the Internet handle, but
// Wine takes the receive time-out only from the connection or the request.
void SetTimeouts(HINTERNET handle, const TransferLimits& limits)
{
    SetTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, limits.connectTimeoutMs);
    SetTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, limits.receiveTimeoutMs);
    SetTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, limits.receiveTimeoutMs);
}

// The parts of a URL that opening it by connection and request needs.
struct UrlParts {
    char host[INTERNET_MAX_HOST_NAME_LENGTH];
    char user[INTERNET_MAX_USER_NAME_LENGTH];
    char password[INTERNET_MAX_PASSWORD_LENGTH];
    char path[INTERNET_MAX_PATH_LENGTH];
    char extra[INTERNET_MAX_PATH_LENGTH];
    char object[2 * INTERNET_MAX_PATH_LENGTH];  // path and extra information
    INTERNET_PORT port;
    bool secure;
};

bool SplitUrl(const char* url, UrlParts* parts)
{
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof components;
    components.lpszHostName = parts->host;
    components.dwHostNameLength = sizeof parts->host;
    components.lpszUserName = parts->user;
    components.dwUserNameLength = sizeof parts->user;
    components.lpszPassword = parts->password;
    components.dwPasswordLength = sizeof parts->password;
    components.lpszUrlPath = parts->path;
    components.dwUrlPathLength = sizeof parts->path;
    components.lpszExtraInfo = parts->extra;
    components.dwExtraInfoLength = sizeof parts->extra;
    if (!url || !InternetCrackUrlA(url, 0, 0, &components))
        return false;
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    parts->port = components.nPort;
    parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    const int length = std::snprintf(parts->object, sizeof parts->object, "%s%s",
                                     parts->path[0] ? parts->path : "/", parts->extra);
    return length > 0 && static_cast<size_t>(length) < sizeof parts->object;
}

} // namespace

// The same request InternetOpenUrl would send for the whole URL, made by
// connection and request so that the time-outs can be set where Wine
// reads them.
bool SendRequest(const char* url, const char* extraHeaders, const TransferLimits& limits, RequestHandles* handles)
{
    std::unique_ptr<UrlParts> parts(new (std::nothrow) UrlParts);
    if (!parts || !SplitUrl(url, parts.get()))
        return false;
    handles->session.Reset(InternetOpenA("Tovrin", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!handles->session)
        return false;
    SetTimeouts(handles->session.Get(), limits);
    handles->connection.Reset(InternetConnectA(handles->session.Get(), parts->host, parts->port,
                                               parts->user[0] ? parts->user : nullptr,
                                               parts->password[0] ? parts->password : nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!handles->connection)
        return false;
    SetTimeouts(handles->connection.Get(), limits);
    const DWORD flags = kRequestFlags | (parts->secure ? INTERNET_FLAG_SECURE : 0);
    InternetHandle request(
        HttpOpenRequestA(handles->connection.Get(), "GET", parts->object, nullptr, nullptr, nullptr, flags, 0));
    if (!request)
        return false;
    SetTimeouts(request.Get(), limits);
    const DWORD headerLength = extraHeaders ? static_cast<DWORD>(-1) : 0;
    if (!HttpSendRequestA(request.Get(), extraHeaders, headerLength, nullptr, 0))
        return false;
    handles->request = std::move(request);
    return true;
}

HttpRequest::HttpRequest(const char* url, const char* extraHeaders, const TransferLimits& limits,
                         const Deadline& requestDeadline)
    : deadline(requestDeadline), sent(worker.Send(url, extraHeaders, limits, requestDeadline))
{
}

DWORD HttpRequest::Status() const
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(worker.Request(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr))
        return 0;
    return status;
}

long long HttpRequest::RangeStart() const
{
    char value[128] = {};
    DWORD size = sizeof value - 1;
    if (!HttpQueryInfoA(worker.Request(), HTTP_QUERY_CONTENT_RANGE, value, &size, nullptr))
        return -1;
    // "bytes START-END/TOTAL"
    const char* p = value;
    while (*p == ' ')
        ++p;
    if (_strnicmp(p, "bytes", 5) != 0)
        return -1;
    p += 5;
    while (*p == ' ')
        ++p;
    if (*p < '0' || *p > '9')
        return -1;
    return std::strtoll(p, nullptr, 10);
}

bool HttpRequest::AnnouncedLength(unsigned long long* length) const
{
    // As text: the numeric form of the query is 32 bits wide.
    char value[64] = {};
    DWORD size = sizeof value - 1;
    if (!HttpQueryInfoA(worker.Request(), HTTP_QUERY_CONTENT_LENGTH, value, &size, nullptr))
        return false;
    const char* p = value;
    while (*p == ' ')
        ++p;
    if (*p < '0' || *p > '9')
        return false;
    unsigned long long total = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (total > (~0ull - digit) / 10) {
            total = ~0ull;
            break;
        }
        total = total * 10 + digit;
    }
    *length = total;
    return true;
}

bool HttpRequest::Read(void* buffer, DWORD size, DWORD* count)
{
    *count = 0;
    return sent && worker.Read(buffer, size, count, deadline);
}

} // namespace utils
