#include "AbandonedRequest.h"

namespace utils {

namespace {

// Long enough for a server that is still sending to hand over what is in
// flight, short enough that a stalled one gives way at once.
const DWORD kClosingTimeoutMs = 2000;

SRWLOCK closesLock = SRWLOCK_INIT;
CONDITION_VARIABLE closesChanged = CONDITION_VARIABLE_INIT;
unsigned int closesInProgress = 0;
unsigned int threadsAlive = 0;

void ShortenTimeouts(HINTERNET handle)
{
    if (!handle)
        return;
    DWORD milliseconds = kClosingTimeoutMs;
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &milliseconds, sizeof milliseconds);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &milliseconds, sizeof milliseconds);
}

} // namespace

void RequestThreadStarted()
{
    AcquireSRWLockExclusive(&closesLock);
    ++threadsAlive;
    ReleaseSRWLockExclusive(&closesLock);
}

unsigned int RequestThreadsAlive()
{
    AcquireSRWLockShared(&closesLock);
    const unsigned int alive = threadsAlive;
    ReleaseSRWLockShared(&closesLock);
    return alive;
}

void CloseStarted()
{
    AcquireSRWLockExclusive(&closesLock);
    ++closesInProgress;
    ReleaseSRWLockExclusive(&closesLock);
}

void CloseFinished()
{
    AcquireSRWLockExclusive(&closesLock);
    --closesInProgress;
    --threadsAlive;
    ReleaseSRWLockExclusive(&closesLock);
    WakeAllConditionVariable(&closesChanged);
}

bool WaitForCloses(const Deadline& deadline)
{
    AcquireSRWLockExclusive(&closesLock);
    while (closesInProgress > 0) {
        const DWORD left = deadline.RemainingMs();
        if (left == 0)
            break;
        SleepConditionVariableSRW(&closesChanged, &closesLock, left, 0);
    }
    const bool none = closesInProgress == 0;
    ReleaseSRWLockExclusive(&closesLock);
    return none;
}

void CloseRequestHandles(RequestHandles& handles)
{
    ShortenTimeouts(handles.request.Get());
    ShortenTimeouts(handles.connection.Get());
    handles.request.Reset();
    handles.connection.Reset();
    handles.session.Reset();
}

} // namespace utils
