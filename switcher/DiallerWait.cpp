#include "DiallerWait.h"

#include "utils/ScopedHandle.h"

namespace switcher {

DWORD ParseProcessId(const char* text)
{
    if (!text)
        return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Unsigned arithmetic wraps instead of overflowing.
    DWORD value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10 + static_cast<DWORD>(*text - '0');
    return negative ? 0 - value : value;
}

void WaitForDialler(DWORD processId, DWORD waitMs)
{
    if (processId == 0)
        return;
    KernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (!process)
        return;
    if (WaitForSingleObject(process.Get(), waitMs) != WAIT_OBJECT_0)
        TerminateProcess(process.Get(), kForcedExitCode);
}

} // namespace switcher
