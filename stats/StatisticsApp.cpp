#include "stats/StatisticsApp.h"

#include <ole2.h>

#include <memory>

#include "stats/HandleText.h"
#include "stats/StatisticsDialog.h"

namespace {

// OLE on the window's thread for the lifetime of the window: the banner's
// ActiveX control needs it.
class OleSession {
public:
    OleSession() : initialised(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession()
    {
        if (initialised)
            OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool initialised;
};

int RunMessageLoop(const StatisticsDialog& dialog)
{
    MSG message;
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (result == -1)
            return 0;
        HWND window = dialog.Window();
        // Enter and Escape reach the dialog as IDOK and IDCANCEL here.
        if (window && IsDialogMessageA(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The quit message's code: 1 after Disconnect, the dialler's otherwise.
    return static_cast<int>(message.wParam);
}

void MakeToolWindow(HWND window)
{
    // Small caption and no taskbar button.
    LONG_PTR style = GetWindowLongPtrA(window, GWL_EXSTYLE);
    style = (style & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW;
    SetWindowLongPtrA(window, GWL_EXSTYLE, style);
}

} // namespace

StatisticsApp::StatisticsApp(HINSTANCE instance) : instance(instance) {}

HWND StatisticsApp::DiallerWindowFromStartupInfo()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    if (!(startup.dwFlags & STARTF_USESTDHANDLES) || !startup.hStdInput)
        return nullptr;
    // Not a real handle: the dialler puts its window handle in this field.
    if (startup.hStdInput != INVALID_HANDLE_VALUE)
        return reinterpret_cast<HWND>(startup.hStdInput);
    // Wine copies the standard handles of a child started without handle
    // inheritance as kernel handles, and a window handle does not survive
    // that (it arrives as INVALID_HANDLE_VALUE, as does a null one). The
    // dialler puts the same handle on the command line, so it is taken from
    // there instead, and only if it names an existing window.
    uint64_t value = 0;
    if (!ParseHandleText(GetCommandLineA(), &value))
        return nullptr;
    HWND fromCommandLine = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
    return IsWindow(fromCommandLine) ? fromCommandLine : nullptr;
}

int StatisticsApp::Run()
{
    OleSession ole;
    HWND dialler = DiallerWindowFromStartupInfo();
    if (!dialler)
        return 0;

    std::unique_ptr<StatisticsDialog> dialog(new StatisticsDialog(dialler));
    HWND window = dialog->Create(instance);
    if (!window)
        return 0;
    MakeToolWindow(window);
    ShowWindow(window, SW_SHOW);

    const int exitCode = RunMessageLoop(*dialog);
    if (dialog->Window())
        DestroyWindow(dialog->Window());
    if (dialog->FetchRunning()) {
        // A fetch still running ends with the process; it reads the request
        // inside the dialog object, which must therefore outlive it.
        dialog.release();
    }
    return exitCode;
}
