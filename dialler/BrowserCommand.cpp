#include "dialler/BrowserCommand.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

bool BuildBrowserCommand(const char* commandTemplate, const char* url, char* out, size_t outSize)
{
    if (outSize == 0)
        return false;
    out[0] = '\0';
    // The address goes in quotes of its own, so whatever the server sent
    // stays one argument; a quote inside it would end that argument early.
    if (strchr(url, '"'))
        return false;
    // The quoted placeholder takes its quotes with it: the address follows
    // in the quotes added below.
    size_t keep = strlen(commandTemplate);
    if (const char* quoted = strstr(commandTemplate, "\"%1\""))
        keep = static_cast<size_t>(quoted - commandTemplate);
    else if (const char* bare = strstr(commandTemplate, "%1"))
        keep = static_cast<size_t>(bare - commandTemplate);

    int written = snprintf(out, outSize, "%.*s \"%s\"", static_cast<int>(keep), commandTemplate, url);
    return written >= 0 && static_cast<size_t>(written) < outSize;
}

bool BuildBrowserCommand(const wchar_t* commandTemplate, const wchar_t* url, wchar_t* out, size_t outSize)
{
    if (outSize == 0)
        return false;
    out[0] = L'\0';
    if (wcschr(url, L'"'))
        return false;
    size_t keep = wcslen(commandTemplate);
    if (const wchar_t* quoted = wcsstr(commandTemplate, L"\"%1\""))
        keep = static_cast<size_t>(quoted - commandTemplate);
    else if (const wchar_t* bare = wcsstr(commandTemplate, L"%1"))
        keep = static_cast<size_t>(bare - commandTemplate);

    // Counted by hand: the system's swprintf leaves out the terminator of a
    // result that fills the buffer.
    const size_t urlLength = wcslen(url);
    if (keep + urlLength + 4 > outSize)  // blank, two quotes, terminator
        return false;
    wchar_t* end = out;
    wmemcpy(end, commandTemplate, keep);
    end += keep;
    *end++ = L' ';
    *end++ = L'"';
    wmemcpy(end, url, urlLength);
    end += urlLength;
    *end++ = L'"';
    *end = L'\0';
    return true;
}
