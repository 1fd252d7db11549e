// A small window for the driver's own tests: an edit box, a drop-down list,
// a check box and a button that asks a question in a message box. It writes
// what happens to the file named by PROBE_LOG and exits with 10 when the
// question is answered OK, 20 when cancelled.
#include "utils/ScopedHandle.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <initializer_list>

namespace {

enum ProbeControl { IDC_PROBE_EDIT = 101, IDC_PROBE_COMBO, IDC_PROBE_ASK, IDC_PROBE_STATUS, IDC_PROBE_CHECK };

void WriteLog(const char* line)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("PROBE_LOG", path, sizeof path))
        return;
    FileHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    // One write per line, so a reader never sees half of one.
    char text[512];
    int length = std::snprintf(text, sizeof text, "%s\n", line);
    DWORD written = 0;
    WriteFile(file.Get(), text, static_cast<DWORD>(length < 0 ? 0 : std::min<int>(length, sizeof text - 1)), &written,
              nullptr);
}

HWND AddControl(HWND parent, const char* className, const char* text, DWORD style, int y, int id)
{
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 10, y, 200, id == IDC_PROBE_COMBO ? 100 : 24,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                           nullptr);
}

void OnCreate(HWND window)
{
    AddControl(window, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL, 10, IDC_PROBE_EDIT);
    HWND combo = AddControl(window, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 40, IDC_PROBE_COMBO);
    for (const char* item : {"Alpha", "Beta", "Gamma"})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    AddControl(window, "BUTTON", "&Ask", BS_PUSHBUTTON, 70, IDC_PROBE_ASK);
    AddControl(window, "STATIC", "idle", 0, 100, IDC_PROBE_STATUS);
    AddControl(window, "BUTTON", "Check", BS_AUTOCHECKBOX, 130, IDC_PROBE_CHECK);
}

void OnCommand(HWND window, int id, int code)
{
    char text[256] = {};
    char line[400];
    if (id == IDC_PROBE_COMBO && code == CBN_SELCHANGE) {
        GetDlgItemTextA(window, IDC_PROBE_COMBO, text, sizeof text);
        std::snprintf(line, sizeof line, "selected: %s", text);
        SetDlgItemTextA(window, IDC_PROBE_STATUS, line);
    } else if (id == IDC_PROBE_ASK && code == BN_CLICKED) {
        GetDlgItemTextA(window, IDC_PROBE_EDIT, text, sizeof text);
        std::snprintf(line, sizeof line, "You typed: %s", text);
        int answer = MessageBoxA(window, line, "Probe Question", MB_OKCANCEL | MB_ICONINFORMATION);
        WriteLog(answer == IDOK ? "answer ok" : "answer cancel");
        PostQuitMessage(answer == IDOK ? 10 : 20);
    }
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    char line[MAX_PATH + 32];
    std::snprintf(line, sizeof line, "started cwd=%s", directory);
    WriteLog(line);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "GuiDriverProbe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "GuiDriverProbe", "Driver Probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 260,
                                  220, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
