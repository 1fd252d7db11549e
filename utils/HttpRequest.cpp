#include "HttpRequest.h"

#include <cstdlib>
#include <cstring>

namespace utils {

namespace {
const DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTH;
}

HttpRequest::HttpRequest(const char* url, const char* extraHeaders)
{
    session.Reset(InternetOpenA("Tovrin", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session)
        return;
    const DWORD headerLength = extraHeaders ? static_cast<DWORD>(-1) : 0;
    request.Reset(InternetOpenUrlA(session.Get(), url, extraHeaders, headerLength, kRequestFlags, 0));
}

DWORD HttpRequest::Status() const
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return status;
}

long long HttpRequest::RangeStart() const
{
    char value[128] = {};
    DWORD size = sizeof value - 1;
    if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_RANGE, value, &size, nullptr))
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

bool HttpRequest::Read(void* buffer, DWORD size, DWORD* count) const
{
    *count = 0;
    return InternetReadFile(request.Get(), buffer, size, count) != FALSE;
}

} // namespace utils
