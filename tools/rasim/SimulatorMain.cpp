// Reads the scenario and opens the log as soon as the program under test
// loads the simulator, so the log shows the load and any scenario mistakes
// before the first call.
#include "Service.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        rasim::Service::Instance();
    }
    return TRUE;
}
