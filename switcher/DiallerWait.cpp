#include "DiallerWait.h"

#include "update/WrappingDecimal.h"
#include "utils/ScopedHandle.h"

namespace switcher {

DWORD ParseProcessId(const char* text)
{
    return WrappingDecimal<DWORD>(text);
}

namespace {

ULONGLONG CreationTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The dialler starts us before it ends, so it was created first. A process
// that was not is another program that got the id of a dialler already gone.
bool StartedBefore(HANDLE process, ULONGLONG startedBy)
{
    const ULONGLONG theirs = CreationTime(process);
    const ULONGLONG limit = startedBy ? startedBy : CreationTime(GetCurrentProcess());
    return theirs != 0 && limit != 0 && theirs <= limit;
}

} // namespace

void WaitForDialler(DWORD processId, DWORD waitMs, ULONGLONG startedBy)
{
    if (processId == 0 || processId == GetCurrentProcessId())
        return;
    // Only the rights the wait, the forced end and the start time need;
    // PROCESS_ALL_ACCESS changes its value with the targeted Windows version.
    KernelHandle process(
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process || !StartedBefore(process.Get(), startedBy))
        return;
    if (WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0)
        return;
    TerminateProcess(process.Get(), kForcedExitCode);
    WaitForSingleObject(process.Get(), kForcedEndWaitMs);
}

} // namespace switcher
