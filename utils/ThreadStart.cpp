#include <windows.h>

#include "Utils.h"

void* StartThreadedFunc(ThreadProcedure procedure, void* argument)
{
    if (!procedure)
        return nullptr;
    // The caller owns the handle; the thread id is not needed.
    return CreateThread(nullptr, 0, procedure, argument, 0, nullptr);
}
