// The check the dialler applies to addresses the server sends before storing them.
#include <windows.h>
#include <wininet.h>

#include "Utils.h"

namespace {

// The fallback browser command puts the address in double quotes: a quote,
// blank or control character would let the server add its own options.
bool HasUnsafeCharacter(const char* url)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(url); *p; ++p) {
        if (*p <= ' ' || *p == '"' || *p == 0x7F)
            return true;
    }
    return false;
}

} // namespace

bool ValidateURL(const char* url)
{
    if (!url || HasUnsafeCharacter(url))
        return false;
    // Each part must fit in 31 characters; the splitter fails otherwise.
    char scheme[32];
    char host[32];
    char path[32];
    char extra[32];
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = sizeof scheme;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(url, 0, ICU_DECODE, &parts))
        return false;
    return parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS;
}
