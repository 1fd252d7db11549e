#include "DiallerInstallation.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>

#include "Controls.h"
#include "MessageBoxes.h"
#include "TextFiles.h"
#include "WindowSearch.h"
#include "dialler/res/resource.h"
#include "utils/ScopedHandle.h"
#include "utils/tests/ScratchDirectory.h"

namespace guidriver {

namespace {

const char kDiallerAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\Tovrin.exe";

std::string TempFolder()
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return temp;
}

// The process ids the stand-in's record names.
std::vector<DWORD> RecordedIds(const std::vector<std::string>& record)
{
    std::vector<DWORD> ids;
    for (const std::string& line : record) {
        if (line.rfind("pid=", 0) == 0)
            ids.push_back(strtoul(line.c_str() + 4, nullptr, 10));
    }
    return ids;
}

// Stand-ins started with a window to serve (Tallyview's) wait for a quit
// that a failed test never sends.
void EndRecordedStandIns(const std::string& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(folder + "\\*.record").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        for (DWORD id : RecordedIds(ReadLines(folder + "\\" + Utf8(data.cFileName)))) {
            if (HANDLE standIn = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
                TerminateProcess(standIn, 1);
                CloseHandle(standIn);
            }
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

}  // namespace

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

Installation::Installation(const std::string& scenario, const std::string& scenarioFolder,
                           const std::string& programFolder)
{
    static int serial = 0;
    char name[64];
    snprintf(name, sizeof name, "tovrin-run-%lu-%d", GetCurrentProcessId(), ++serial);
    folder = TempFolder() + name;
    programs = programFolder.empty() ? folder : folder + "\\" + programFolder;
    scratch::RemoveTree(Wide(folder));
    CreateDirectoryW(Wide(folder).c_str(), nullptr);
    CreateDirectoryW(Wide(programs).c_str(), nullptr);

    for (const char* program : {"Tovrin.exe", "Utils.dll", "Praxel.dll"})
        AddProgram(program);
    AddFile(WindowsPath(TOVRIN_TEST_RASIM_DLL), "rasapi32.dll");
    if (!scenario.empty()) {
        std::string from = WindowsPath(scenarioFolder.empty() ? TOVRIN_TEST_SCENARIO_DIR : scenarioFolder);
        CopyFileW(Wide(from + "\\" + scenario).c_str(), Wide(ScenarioPath()).c_str(), FALSE);
    }
}

Installation::~Installation()
{
    EndRecordedStandIns(programs);
    scratch::RemoveTree(Wide(folder));
}

bool Installation::AddFile(const std::string& source, const std::string& name) const
{
    return CopyFileW(Wide(source).c_str(), Wide(PathOf(name)).c_str(), FALSE) != FALSE;
}

bool Installation::AddProgram(const std::string& name) const
{
    return AddFile(WindowsPath(TOVRIN_TEST_BIN_DIR) + "\\" + name, name);
}

bool Installation::AddStandIn(const std::string& name) const
{
    return AddFile(WindowsPath(TOVRIN_TEST_STANDIN_EXE), name);
}

std::vector<std::string> Installation::StandInRecord(const std::string& name) const
{
    return ReadLines(PathOf(name + ".record"));
}

size_t Installation::StandInStarts(const std::string& name) const
{
    size_t starts = 0;
    for (const std::string& line : StandInRecord(name))
        starts += line.rfind("args=", 0) == 0;
    return starts;
}

size_t Installation::StandInsRunning(const std::string& name) const
{
    size_t running = 0;
    for (DWORD id : RecordedIds(StandInRecord(name))) {
        HANDLE standIn = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        if (!standIn)
            continue;
        // An id can be taken again by another program once its own has ended.
        wchar_t image[MAX_PATH] = L"";
        DWORD size = MAX_PATH;
        if (WaitForSingleObject(standIn, 0) == WAIT_TIMEOUT && QueryFullProcessImageNameW(standIn, 0, image, &size) &&
            lstrcmpiW(image, Wide(PathOf(name)).c_str()) == 0)
            ++running;
        CloseHandle(standIn);
    }
    return running;
}

bool Installation::WriteScenario(const std::string& text) const
{
    std::ofstream out(ScenarioPath(), std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

std::vector<rasim::LogEvent> Installation::Log() const
{
    return rasim::ReadRasimLog(LogPath());
}

std::vector<rasim::LogEvent> Installation::Log(const std::string& event) const
{
    return rasim::EventsNamed(Log(), event);
}

std::string Installation::LogText() const
{
    std::string text;
    for (const rasim::LogEvent& event : Log()) {
        text += event.event;
        for (const auto& field : event.fields)
            text += " " + field.first + "=" + field.second;
        text += "\n";
    }
    return text;
}

std::vector<std::string> Installation::DialledNumbers() const
{
    std::vector<std::string> numbers;
    for (const rasim::LogEvent& dial : Log("dial"))
        numbers.push_back(dial.Get("phone"));
    return numbers;
}

void UseSimulatedService()
{
    RegistryKey overrides;
    RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kDiallerAppDefaultsKey) + "\\DllOverrides").c_str(), 0, nullptr,
                    0, KEY_SET_VALUE, nullptr, overrides.Receive(), nullptr);
    RegSetValueExA(overrides.Get(), "rasapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
}

void ForgetSimulatedService()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kDiallerAppDefaultsKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kDiallerAppDefaultsKey);
}

DiallerProcess::DiallerProcess(const Installation& installation, const std::string& workingDirectory)
{
    process.Start(installation.PathOf("Tovrin.exe"), "",
                  workingDirectory.empty() ? TempFolder() : workingDirectory,
                  {{"TOVRIN_RASIM_SCENARIO", installation.ScenarioPath()},
                   {"TOVRIN_RASIM_LOG", installation.LogPath()}});
}

ULONGLONG DiallerProcess::CpuMs() const
{
    FILETIME created, exited, kernel, user;
    if (!Handle() || !GetProcessTimes(Handle(), &created, &exited, &kernel, &user))
        return 0;
    auto ms = [](const FILETIME& time) {
        return ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
}

DWORD DiallerProcess::WaitForExit(DWORD timeoutMs) const
{
    // Served meanwhile: the dialler removes its icon on the way out, and a
    // test may be the one hosting the notification area.
    return WaitUntil([&] { return process.WaitForExit(0); }, timeoutMs) ? process.ExitCode() : STILL_ACTIVE;
}

HWND DiallerProcess::MainDialog(DWORD timeoutMs) const
{
    WindowQuery query;
    query.className = MAIN_DIALOG_CLASS_TEXT;
    query.processId = Id();
    query.visibleOnly = true;
    HWND dialog = WaitForTopLevelWindow(query, timeoutMs);
    // The status is written last in the dialog's initialisation.
    if (dialog)
        WaitUntil([&] { return !ControlText(dialog, IDC_STATUS).empty(); }, 5000);
    return dialog;
}

HWND DiallerProcess::MessageBoxWithCaption(const char* caption, DWORD timeoutMs) const
{
    WindowQuery query;
    query.className = "#32770";
    query.title = caption;
    query.processId = Id();
    query.visibleOnly = true;
    return WaitForTopLevelWindow(query, timeoutMs);
}

StartedDialler::StartedDialler(const std::string& scenario, std::initializer_list<const char*> standIns,
                               DWORD dialogTimeoutMs)
    : installation(scenario)
    , standInsAdded(std::all_of(standIns.begin(), standIns.end(),
                                [this](const char* name) { return installation.AddStandIn(name); }))
    , dialler(installation)
    , dialog(dialler.MainDialog(dialogTimeoutMs))
{
}

}  // namespace guidriver
