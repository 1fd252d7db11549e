#include "DeliveryRun.h"

#include <fstream>
#include <iterator>

#include "ProviderControl.h"
#include "ScratchInstall.h"
#include "utils/Utils.h"

namespace delivery {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool StartProcess(const std::string& program, const std::string& argument, PROCESS_INFORMATION* info)
{
    std::string commandLine = "\"" + program + "\" " + argument;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          info) != FALSE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM context)
{
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0)
        return TRUE;
    char text[256] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &result);
    if (text[0])
        *reinterpret_cast<std::string*>(context) = text;
    return TRUE;
}

} // namespace

std::string ReadHostFile(const std::string& unixPath)
{
    // The host's files as Wine sees them, on drive Z:.
    std::ifstream in("Z:" + unixPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadProgramFile(const std::string& name)
{
    std::ifstream in(ProgramDirectory() + "\\" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ServeProgram(const std::string& relativePath, unsigned int size, unsigned int seed)
{
    std::string content = ReadProgramFile("delivery_dialler_stub.exe");
    unsigned int state = seed * 2654435761u + 1;
    while (content.size() < size) {
        state = state * 1103515245u + 12345u;
        content.push_back(static_cast<char>(state >> 16));
    }
    provider::ServeFile(relativePath, content);
    return content;
}

std::string WithFileVersion(std::string program, unsigned short major)
{
    // VS_FIXEDFILEINFO: signature, structure version, then the file
    // version's most significant double word, major in its high half. The
    // structure version tells it from the signature as a constant in code.
    const size_t at = program.find(std::string("\xBD\x04\xEF\xFE\x00\x00\x01\x00", 8));
    if (at != std::string::npos && at + 12 <= program.size()) {
        program[at + 10] = static_cast<char>(major & 0xFF);
        program[at + 11] = static_cast<char>(major >> 8);
    }
    return program;
}

void ServeManifest(const std::string& fixture, const std::map<std::string, size_t>& sizes)
{
    ServeManifestText(ReadHostFile(std::string(DELIVERY_FIXTURE_DIR) + "/" + fixture), sizes);
}

void ServeManifestText(std::string text, const std::map<std::string, size_t>& sizes)
{
    ReplaceAll(text, "@URL@", provider::BaseUrl());
    for (const auto& size : sizes)
        ReplaceAll(text, "@SIZE:" + size.first + "@", std::to_string(size.second));
    provider::Post("/_control/answer?action=update", text);
}

bool FetchAndDownload()
{
    Update::PropertyStack properties;
    // The dialler hands a heap stack to the thread and does not touch it
    // again; this waits for the thread and then releases it.
    Update::EntityStack* entities = new Update::EntityStack;
    const std::string base = provider::BaseUrl() + "/cfg";
    if (!Update::GetFileAndParse(base.c_str(), "tester", "update", properties, *entities)) {
        delete entities;
        return false;
    }
    HANDLE thread = static_cast<HANDLE>(StartThreadedFunc(Update::FileDownloadThread, entities));
    if (!thread) {
        delete entities;
        return false;
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    delete entities;
    return true;
}

SwitcherRun RunSwitcher(const std::string& argument)
{
    // Wide, so the installation directory may be named in any script.
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring installed = std::wstring(current) + L"\\switcher.exe";
    const std::string source = ProgramDirectory() + "\\switcher.exe";
    CopyFileW(std::wstring(source.begin(), source.end()).c_str(), installed.c_str(), FALSE);
    return RunInstalledSwitcher(argument);
}

SwitcherRun RunInstalledSwitcher(const std::string& argument)
{
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring installed = std::wstring(current) + L"\\switcher.exe";

    SwitcherRun run;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + installed + L"\" " + std::wstring(argument.begin(), argument.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const ULONGLONG start = GetTickCount64();
    if (!CreateProcessW(installed.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        run.exitCode = 0xDEAD;
        return run;
    }
    WaitForSingleObject(info.hProcess, 60000);
    run.endTime = GetTickCount64();
    run.elapsedMs = static_cast<DWORD>(run.endTime - start);
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return run;
}

DiallerStub::DiallerStub(DWORD ms, const std::string& holdPath)
{
    std::string argument = std::to_string(ms);
    if (!holdPath.empty())
        argument += " \"" + holdPath + "\"";
    StartProcess(ProgramDirectory() + "\\delivery_dialler_stub.exe", argument, &info);
}

DiallerStub::~DiallerStub()
{
    End();
    if (info.hThread)
        CloseHandle(info.hThread);
    if (info.hProcess)
        CloseHandle(info.hProcess);
}

bool DiallerStub::Wait(DWORD ms) const
{
    return info.hProcess && WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0;
}

DWORD DiallerStub::ExitCode() const
{
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void DiallerStub::End()
{
    if (info.hProcess && !Wait(0)) {
        TerminateProcess(info.hProcess, 1);
        Wait(5000);
    }
}

MessageBoxWatcher::MessageBoxWatcher()
{
    InitializeCriticalSection(&lock);
    watcher = std::thread([this] { Watch(); });
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop = true;
    watcher.join();
    DeleteCriticalSection(&lock);
}

std::vector<std::string> MessageBoxWatcher::Texts()
{
    EnterCriticalSection(&lock);
    std::vector<std::string> copy = texts;
    LeaveCriticalSection(&lock);
    return copy;
}

void MessageBoxWatcher::Watch()
{
    HWND answered = nullptr;
    while (!stop) {
        HWND box = FindWindowA("#32770", "Tovrin Update");
        // The same box stays findable for a moment after OK is pressed.
        if (box && box != answered && IsWindowVisible(box)) {
            std::string text;
            EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
            EnterCriticalSection(&lock);
            texts.push_back(text);
            LeaveCriticalSection(&lock);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
            answered = box;
        }
        Sleep(50);
    }
}

bool WaitUntilHeld(const std::string& path)
{
    for (int i = 0; i < 200; ++i) {
        HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_SHARING_VIOLATION;
        CloseHandle(probe);
        Sleep(25);
    }
    return false;
}

} // namespace delivery
