#include "dialler/BrowserCommand.h"

#include <stdio.h>
#include <string.h>

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
