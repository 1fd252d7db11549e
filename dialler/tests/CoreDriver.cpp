#include "CoreDriver.h"

#include <stdio.h>

namespace coredriver {

namespace {

// Build paths arrive as Unix paths; Wine shows the root as drive Z:.
std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

std::string ClassName(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

DWORD ProcessOf(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

struct WindowSearch {
    DWORD processId;
    std::string className;
    std::string caption;  // empty: any
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    if (!IsWindowVisible(window) || ProcessOf(window) != search->processId || ClassName(window) != search->className)
        return TRUE;
    if (!search->caption.empty() && WindowText(window) != search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(WindowSearch search, DWORD timeoutMs)
{
    WaitUntil(
        [&] {
            search.found = nullptr;
            EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

BOOL CALLBACK CollectLongestStatic(HWND window, LPARAM parameter)
{
    auto* longest = reinterpret_cast<std::string*>(parameter);
    if (ClassName(window) == "Static") {
        std::string text = WindowText(window);
        if (text.size() > longest->size())
            *longest = text;
    }
    return TRUE;
}

DWORD_PTR Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 3000, &answer))
        return static_cast<DWORD_PTR>(-1);
    return answer;
}

} // namespace

Installation::Installation(const std::string& scenario)
{
    static int serial = 0;
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%stovrin-core-%lu-%d", temp, GetCurrentProcessId(), ++serial);
    folder = name;
    RemoveFolder(folder);
    CreateDirectoryA(folder.c_str(), nullptr);

    const std::string bin = WindowsPath(TOVRIN_TEST_BIN_DIR);
    AddFile(bin + "\\Tovrin.exe", "Tovrin.exe");
    AddFile(bin + "\\Utils.dll", "Utils.dll");
    AddFile(bin + "\\Praxel.dll", "Praxel.dll");
    AddFile(WindowsPath(TOVRIN_TEST_RASIM_DLL), "rasapi32.dll");
    AddFile(WindowsPath(TOVRIN_TEST_SCENARIO_DIR) + "\\" + scenario, "scenario.txt");
}

Installation::~Installation()
{
    RemoveFolder(folder);
}

bool Installation::AddFile(const std::string& source, const std::string& name) const
{
    return CopyFileA(source.c_str(), PathOf(name).c_str(), FALSE) != FALSE;
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

DiallerProcess::DiallerProcess(const Installation& installation, const std::string& workingDirectory)
{
    // The child inherits these; the simulator reads them when it loads.
    // (WINEDLLOVERRIDES comes with the test's own environment.)
    SetEnvironmentVariableA("TOVRIN_RASIM_SCENARIO", installation.PathOf("scenario.txt").c_str());
    SetEnvironmentVariableA("TOVRIN_RASIM_LOG", installation.LogPath().c_str());

    std::string directory = workingDirectory;
    if (directory.empty()) {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        directory = temp;
    }
    std::string program = installation.PathOf("Tovrin.exe");
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof info);
    if (CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                       &startup, &info)) {
        CloseHandle(info.hThread);
        process = info.hProcess;
        processId = info.dwProcessId;
    }
}

DiallerProcess::~DiallerProcess()
{
    if (!process)
        return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

DWORD DiallerProcess::WaitForExit(DWORD timeoutMs)
{
    if (!process || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

ULONGLONG DiallerProcess::CpuMs() const
{
    FILETIME created, exited, kernel, user;
    if (!process || !GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    auto ms = [](const FILETIME& time) {
        return ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
}

HWND DiallerProcess::MainDialog(DWORD timeoutMs) const
{
    return FindTopLevel(WindowSearch{processId, "MyDlgClassTovrin", "", nullptr}, timeoutMs);
}

HWND DiallerProcess::MessageBoxWithCaption(const char* caption, DWORD timeoutMs) const
{
    return FindTopLevel(WindowSearch{processId, "#32770", caption, nullptr}, timeoutMs);
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             3000, &copied))
        return "<no answer>";
    text[sizeof text - 1] = '\0';
    return text;
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowText(control) : "<no control>";
}

std::string MessageBoxText(HWND box)
{
    std::string longest;
    EnumChildWindows(box, CollectLongestStatic, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

void Answer(HWND box, int buttonId)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

void Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool WaitForControlText(HWND dialog, int id, const std::string& text, DWORD timeoutMs)
{
    return WaitUntil([&] { return ControlText(dialog, id) == text; }, timeoutMs);
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    DWORD_PTR count = Ask(combo, CB_GETCOUNT, 0, 0);
    for (DWORD_PTR i = 0; i < count && i < 200; ++i) {
        // Asked in its wide form: across processes Wine hands the item back
        // as wide text whichever form was asked for.
        wchar_t wide[512] = L"";
        if (Ask(combo, CB_GETLBTEXTLEN, i, 0) >= 512)
            continue;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 3000,
                            &ignored);
        char text[1024] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND combo)
{
    return static_cast<int>(static_cast<LRESULT>(Ask(combo, CB_GETCURSEL, 0, 0)));
}

} // namespace coredriver
