#include "StartupCheck.h"

#include "FileSteps.h"
#include "PathText.h"
#include "utils/ScopedHandle.h"

namespace switcher {

namespace {

const wchar_t* const kCheckedPrograms[] = {L"Tovrin.exe", L"Tallyview.dll", L"switcher.exe"};
const wchar_t kCheckSwitch[] = L" --startup-check";
// After a forced end, the image must be unmapped before it is put back.
const DWORD kEndWaitMs = 5000;

StartupCheck checkForTest = nullptr;

} // namespace

bool HasStartupCheck(const wchar_t* name)
{
    for (const wchar_t* program : kCheckedPrograms) {
        if (lstrcmpiW(name, program) == 0)
            return true;
    }
    return false;
}

bool RunStartupCheck(const wchar_t* path, const wchar_t* directory, DWORD waitMs)
{
    wchar_t commandLine[kPathBuffer + 32];
    if (!PathText(commandLine, sizeof commandLine / sizeof commandLine[0])
             .Add(L"\"")
             .Add(path)
             .Add(L"\"")
             .Add(kCheckSwitch)
             .Fits())
        return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &info))
        return false;
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);
    if (WaitForSingleObject(process.Get(), waitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), kEndWaitMs);
        return false;
    }
    DWORD exitCode = 1;
    return GetExitCodeProcess(process.Get(), &exitCode) && exitCode == 0;
}

void SetStartupCheckForTest(StartupCheck check)
{
    checkForTest = check;
}

bool CheckStartup(const wchar_t* path, const wchar_t* directory)
{
    if (checkForTest)
        return checkForTest(path, directory);
    return RunStartupCheck(path, directory, kStartupCheckMs);
}

} // namespace switcher
