#include "DiallerDriver.h"

#include <fstream>
#include <sstream>

#include "FixtureFiles.h"
#include "dialler/DiallerContext.h"
#include "dialler/res/resource.h"

namespace driver {

namespace {

std::string BinDirectory()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\'));
}

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* caption;
    HWND found;
};

BOOL CALLBACK VisitTopWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    char className[256] = "";
    GetClassNameA(window, className, sizeof(className));
    if (_stricmp(className, search->className) != 0)
        return TRUE;
    if (search->caption && TextOf(window) != search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

bool CopyInto(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

std::string TextOf(HWND window)
{
    char text[512] = "";
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    return text;
}

HWND FindTopWindow(DWORD processId, const char* className, const char* caption)
{
    WindowSearch search = {processId, className, caption, nullptr};
    EnumWindows(VisitTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(processId, className, caption)) != nullptr; }, timeoutMs);
    return found;
}

std::string MessageBoxText(HWND box)
{
    return TextOf(GetDlgItem(box, 0xFFFF));
}

void Click(HWND dialog, int controlId)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

bool Screenshot(const std::string& name)
{
    const char* requests = getenv("TOVRIN_SCREENSHOT_REQUESTS");
    if (!requests || !*requests)
        return false;
    std::string request = WinePath(requests) + "\\" + name;
    std::string done = WinePath(TOVRIN_UI_SCREENSHOTS) + "\\" + name + ".png";
    DeleteFileA(done.c_str());
    std::ofstream(request + ".want").put('\n');
    return WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES &&
                                  GetFileAttributesA((request + ".want").c_str()) == INVALID_FILE_ATTRIBUTES; },
                     15000);
}

DiallerRun::DiallerRun(const std::string& testName, const std::string& scenarioFixture)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    folder = std::string(temp) + "tovrin-ui-" + testName;
    CreateDirectoryA(folder.c_str(), nullptr);
    // A leftover of an earlier run must not be mistaken for this one's.
    for (const char* stale : {"Tallyview.dll.record", "switcher.exe.record", "rasim.log"})
        DeleteFileA(FolderFile(stale).c_str());

    std::string bin = BinDirectory();
    for (const char* name : {"Tovrin.exe", "Utils.dll", "Praxel.dll"})
        CopyInto(bin + "\\" + name, FolderFile(name));
    CopyInto(bin + "\\..\\rasim\\rasapi32.dll", FolderFile("rasapi32.dll"));
    CopyInto(bin + "\\ui_standin.exe", FolderFile("Tallyview.dll"));
    CopyInto(bin + "\\ui_standin.exe", FolderFile("switcher.exe"));

    scenario = FolderFile("scenario.txt");
    std::ofstream(scenario, std::ios::binary) << ReadFixture(scenarioFixture);
    logPath = FolderFile("rasim.log");
}

DiallerRun::~DiallerRun()
{
    if (process) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
            TerminateProcess(process, 1);
        CloseHandle(process);
    }
    // A Tallyview stand-in that was never told to quit.
    std::vector<std::string> record = ReadLines(FolderFile("Tallyview.dll.record"));
    for (const std::string& line : record) {
        if (line.rfind("pid=", 0) == 0) {
            HANDLE stats = OpenProcess(PROCESS_TERMINATE, FALSE, strtoul(line.c_str() + 4, nullptr, 10));
            if (stats) {
                TerminateProcess(stats, 1);
                CloseHandle(stats);
            }
        }
    }
}

bool DiallerRun::Start()
{
    SetEnvironmentVariableA("TOVRIN_RASIM_SCENARIO", scenario.c_str());
    SetEnvironmentVariableA("TOVRIN_RASIM_LOG", logPath.c_str());
    SetEnvironmentVariableA("WINEDLLOVERRIDES", "rasapi32=n");
    std::string program = FolderFile("Tovrin.exe");
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &started))
        return false;
    CloseHandle(started.hThread);
    process = started.hProcess;
    processId = started.dwProcessId;
    return true;
}

HWND DiallerRun::WaitForDialog(DWORD timeoutMs)
{
    dialog = WaitForTopWindow(processId, MAIN_DIALOG_CLASS, nullptr, timeoutMs);
    // The status is written last in the dialog's initialisation.
    if (dialog)
        WaitUntil([&] { return !StatusText().empty(); }, 5000);
    return dialog;
}

bool DiallerRun::WaitForExit(DWORD timeoutMs)
{
    return WaitUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, timeoutMs);
}

std::vector<rasim::LogEvent> DiallerRun::RasLog() const
{
    return rasim::ReadRasimLog(logPath);
}

size_t DiallerRun::CountRasEvents(const char* name) const
{
    return rasim::EventsNamed(RasLog(), name).size();
}

std::string DiallerRun::StatusText() const
{
    return TextOf(GetDlgItem(dialog, IDC_STATUS));
}

std::string DiallerRun::ConnectText() const
{
    return TextOf(GetDlgItem(dialog, IDC_CONNECT));
}

} // namespace driver
