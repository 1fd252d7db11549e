#include "AbandonedRequest.h"

#include <memory>
#include <new>

namespace utils {

namespace {

// Long enough for the close of a slow or small answer to finish here, so
// that usually nothing is left behind when the transfer returns.
const DWORD kCloseWaitMs = 1000;

struct ClosingJob {
    std::unique_ptr<RequestHandles> handles;
    HMODULE module;
};

DWORD WINAPI CloseJob(void* argument)
{
    HMODULE module = nullptr;
    {
        std::unique_ptr<ClosingJob> job(static_cast<ClosingJob*>(argument));
        module = job->module;
        job->handles.reset();
    }
    // The thread held a reference on this module so that the library
    // cannot be unloaded under it.
    FreeLibraryAndExitThread(module, 0);
}

} // namespace

void CloseAbandonedRequest(RequestHandles* handles)
{
    std::unique_ptr<RequestHandles> owned(handles);
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<const char*>(&CloseJob),
                            &module))
        return;  // closes here
    auto* job = new (std::nothrow) ClosingJob;
    if (!job) {
        FreeLibrary(module);
        return;
    }
    job->handles = std::move(owned);
    job->module = module;
    KernelHandle thread(CreateThread(nullptr, 0, CloseJob, job, 0, nullptr));
    if (!thread) {
        owned = std::move(job->handles);
        delete job;
        FreeLibrary(module);
        return;
    }
    WaitForSingleObject(thread.Get(), kCloseWaitMs);
}

} // namespace utils
