#include "RequestWorker.h"

#include <cstring>
#include <new>

#include "AbandonedRequest.h"

namespace utils {

namespace {

// Long enough for the close of a slow or small answer to finish while the
// caller waits, so that usually nothing is left behind when it returns.
const DWORD kCloseWaitMs = 1000;
const DWORD kChunkSize = 16384;

enum class Call { None, Send, Read, Close };

} // namespace

// Shared by the caller and the thread; the last of the two to let go frees
// it. The lock guards call, callDone and closeAfterCall; the rest belongs to
// whoever the call protocol gives it to: the thread while a call runs, the
// caller in between.
struct WorkerState {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    Call call = Call::None;
    bool callDone = false;
    bool closeAfterCall = false;
    LONG references = 2;
    HMODULE module = nullptr;

    // Copies: a caller past its deadline returns while the call runs on.
    char url[INTERNET_MAX_URL_LENGTH];
    char extraHeaders[128];
    bool hasExtraHeaders = false;
    TransferLimits limits = {};

    bool succeeded = false;
    DWORD wanted = 0;
    DWORD count = 0;
    char chunk[kChunkSize];
    RequestHandles handles;
};

namespace {

void Release(WorkerState* state)
{
    if (InterlockedDecrement(&state->references) == 0)
        delete state;
}

void RunCall(WorkerState& state, Call call)
{
    HINTERNET request = state.handles.request.Get();
    switch (call) {
    case Call::Send:
        state.succeeded = SendRequest(state.url, state.hasExtraHeaders ? state.extraHeaders : nullptr, state.limits,
                                      &state.handles);
        break;
    case Call::Read: {
        // Asking first for what has arrived keeps each read from waiting for
        // a whole chunk: a server that trickles would otherwise hold one read
        // for hours without ever being silent long enough for the receive
        // time-out.
        DWORD available = 0;
        state.count = 0;
        state.succeeded = InternetQueryDataAvailable(request, &available, 0, 0) != FALSE;
        if (state.succeeded && available > 0)
            state.succeeded = InternetReadFile(request, state.chunk, available < state.wanted ? available : state.wanted,
                                               &state.count) != FALSE;
        break;
    }
    case Call::Close:
    case Call::None:
        break;
    }
}

DWORD WINAPI WorkerMain(void* argument)
{
    WorkerState* state = static_cast<WorkerState*>(argument);
    const HMODULE module = state->module;
    for (;;) {
        AcquireSRWLockExclusive(&state->lock);
        while (state->call == Call::None)
            SleepConditionVariableSRW(&state->changed, &state->lock, INFINITE, 0);
        const Call call = state->call;
        ReleaseSRWLockExclusive(&state->lock);
        if (call == Call::Close)
            break;
        RunCall(*state, call);
        AcquireSRWLockExclusive(&state->lock);
        state->call = Call::None;
        state->callDone = true;
        const bool close = state->closeAfterCall;
        ReleaseSRWLockExclusive(&state->lock);
        WakeAllConditionVariable(&state->changed);
        if (close)
            break;
    }
    CloseRequestHandles(state->handles);
    CloseFinished();
    Release(state);
    // The thread held a reference on this module so that the library cannot
    // be unloaded under it.
    FreeLibraryAndExitThread(module, 0);
}

// Hands call to the thread and waits for it until the deadline.
bool Run(WorkerState& state, Call call, DWORD wanted, const Deadline& deadline)
{
    AcquireSRWLockExclusive(&state.lock);
    if (state.call != Call::None) {
        // An earlier call overran its deadline and is still running.
        ReleaseSRWLockExclusive(&state.lock);
        return false;
    }
    state.wanted = wanted;
    state.call = call;
    state.callDone = false;
    WakeAllConditionVariable(&state.changed);
    while (!state.callDone) {
        const DWORD left = deadline.RemainingMs();
        if (left == 0)
            break;
        SleepConditionVariableSRW(&state.changed, &state.lock, left, 0);
    }
    const bool done = state.callDone;
    ReleaseSRWLockExclusive(&state.lock);
    return done && state.succeeded;
}

bool CopyText(char* target, std::size_t size, const char* text)
{
    const std::size_t length = std::strlen(text);
    if (length >= size)
        return false;
    std::memcpy(target, text, length + 1);
    return true;
}

} // namespace

RequestWorker::~RequestWorker()
{
    if (!state)
        return;
    CloseStarted();
    AcquireSRWLockExclusive(&state->lock);
    const bool idle = state->call == Call::None;
    if (idle)
        state->call = Call::Close;
    else
        state->closeAfterCall = true;
    ReleaseSRWLockExclusive(&state->lock);
    WakeAllConditionVariable(&state->changed);
    if (idle)
        WaitForSingleObject(thread, kCloseWaitMs);
    CloseHandle(thread);
    Release(state);
}

bool RequestWorker::Send(const char* url, const char* extraHeaders, const TransferLimits& limits,
                         const Deadline& deadline)
{
    if (state || !url || !WaitForCloses(deadline))
        return false;
    WorkerState* fresh = new (std::nothrow) WorkerState;
    if (!fresh)
        return false;
    fresh->limits = limits;
    fresh->hasExtraHeaders = extraHeaders != nullptr;
    if (!CopyText(fresh->url, sizeof fresh->url, url) ||
        (extraHeaders && !CopyText(fresh->extraHeaders, sizeof fresh->extraHeaders, extraHeaders)) ||
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<const char*>(&WorkerMain),
                            &fresh->module)) {
        delete fresh;
        return false;
    }
    thread = CreateThread(nullptr, 0, WorkerMain, fresh, 0, nullptr);
    if (!thread) {
        FreeLibrary(fresh->module);
        delete fresh;
        return false;
    }
    RequestThreadStarted();
    state = fresh;
    return Run(*state, Call::Send, 0, deadline);
}

bool RequestWorker::Read(void* buffer, DWORD size, DWORD* count, const Deadline& deadline)
{
    *count = 0;
    if (!state || deadline.Passed())
        return false;
    if (!Run(*state, Call::Read, size < kChunkSize ? size : kChunkSize, deadline))
        return false;
    std::memcpy(buffer, state->chunk, state->count);
    *count = state->count;
    return true;
}

HINTERNET RequestWorker::Request() const
{
    return state ? state->handles.request.Get() : nullptr;
}

} // namespace utils
