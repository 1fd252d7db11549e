#include "DiallerWait.h"

#include "update/WrappingDecimal.h"
#include "utils/ScopedHandle.h"

namespace switcher {

DWORD ParseProcessId(const char* text)
{
    return WrappingDecimal<DWORD>(text);
}

void WaitForDialler(DWORD processId, DWORD waitMs)
{
    if (processId == 0)
        return;
    // Only the rights the wait and the forced end need; PROCESS_ALL_ACCESS
    // changes its value with the targeted Windows version.
    KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
    if (!process)
        return;
    if (WaitForSingleObject(process.Get(), waitMs) != WAIT_OBJECT_0)
        TerminateProcess(process.Get(), kForcedExitCode);
}

} // namespace switcher
