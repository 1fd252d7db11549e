#include "GuiProcess.h"

#include "TextFiles.h"

#include <cstring>
#include <vector>

namespace guidriver {

namespace {

// The current environment with the overrides applied, as a block for
// CreateProcess: "NAME=value\0...\0\0".
std::vector<char> EnvironmentBlock(const std::map<std::string, std::string>& overrides)
{
    std::map<std::string, std::string> variables;
    if (char* current = GetEnvironmentStringsA()) {
        for (const char* entry = current; *entry; entry += strlen(entry) + 1) {
            std::string text = entry;
            size_t eq = text.find('=', 1);  // names like "=C:" start with '='
            if (eq != std::string::npos)
                variables[text.substr(0, eq)] = text.substr(eq + 1);
        }
        FreeEnvironmentStringsA(current);
    }
    for (const auto& [name, value] : overrides) {
        if (value.empty())
            variables.erase(name);
        else
            variables[name] = value;
    }
    std::vector<char> block;
    for (const auto& [name, value] : variables) {
        std::string entry = name + "=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

}  // namespace

GuiProcess::~GuiProcess()
{
    Terminate();
}

bool GuiProcess::Start(const std::string& exe, const std::string& arguments, const std::string& directory,
                       const std::map<std::string, std::string>& environment)
{
    Terminate();
    // Wide calls: the program's folder may be named outside the ANSI code page.
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    if (!arguments.empty())
        commandLine += L" " + Wide(arguments);
    std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
    command.push_back(L'\0');
    std::vector<char> block = EnvironmentBlock(environment);
    std::wstring wideDirectory = Wide(directory);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(Wide(exe).c_str(), command.data(), nullptr, nullptr, FALSE, 0, block.data(),
                        directory.empty() ? nullptr : wideDirectory.c_str(), &startup, &info))
        return false;
    KernelHandle thread(info.hThread);  // not needed: closed at once
    process.Reset(info.hProcess);
    processId = info.dwProcessId;
    return true;
}

bool GuiProcess::Running() const
{
    return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

bool GuiProcess::WaitForExit(DWORD timeoutMs) const
{
    return process && WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD GuiProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process)
        GetExitCodeProcess(process.Get(), &code);
    return code;
}

void GuiProcess::Terminate()
{
    if (Running()) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 5000);
    }
    process.Reset();
    processId = 0;
}

}  // namespace guidriver
