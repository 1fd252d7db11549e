#include "dialler/TrayIcon.h"

#include <shellapi.h>
#include <string.h>

namespace {

const char kHiddenWindowClass[] = "TrayIconClass";

// True on the NT family from major version 5 on, where an icon can be
// hidden through its state instead of being removed.
BOOL SystemCanHideIcons()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
        return FALSE;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
}

// Copies at most limit - 1 bytes of text, stepping back rather than leaving
// the lead byte of a double-byte character without its trail byte.
void CopyWholeCharacters(char* out, size_t limit, const char* text)
{
    size_t used = 0;
    if (text) {
        while (text[used] != '\0') {
            size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[used])) && text[used + 1] != '\0' ? 2 : 1;
            if (used + step > limit - 1)
                break;
            used += step;
        }
        memcpy(out, text, used);
    }
    out[used] = '\0';
}

} // namespace

const UINT g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

NotifyAreaIcon::NotifyAreaIcon()
    : record(),
      instance(nullptr),
      hiddenWindow(nullptr),
      enabled(FALSE),
      hidden(TRUE),
      removed(TRUE),
      stateCapable(SystemCanHideIcons()),
      defaultMenuItem(0xFFFFFFFF),
      defaultByPosition(TRUE)
{
}

NotifyAreaIcon::~NotifyAreaIcon()
{
    RemoveFromTray();
    if (hiddenWindow)
        DestroyWindow(hiddenWindow);
}

BOOL NotifyAreaIcon::Notify(DWORD message)
{
    return Shell_NotifyIconA(message, reinterpret_cast<PNOTIFYICONDATAA>(&record));
}

BOOL NotifyAreaIcon::Setup(HINSTANCE moduleInstance, HWND receiver, UINT callbackMessage, const char* tip,
                           HICON icon, UINT iconId, BOOL createHidden, const char* balloonText,
                           const char* balloonTitle, DWORD balloonFlags, UINT balloonTimeoutSeconds)
{
    enabled = LOBYTE(LOWORD(GetVersion())) >= 4;
    if (!enabled)
        return FALSE;
    instance = moduleInstance;

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = HiddenWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kHiddenWindowClass;
    RegisterClassExA(&windowClass);  // already registered is fine
    hiddenWindow = CreateWindowExA(0, kHiddenWindowClass, "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (hiddenWindow)
        SetWindowLongPtrA(hiddenWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    // The record's own size: 488 bytes in the 32-bit build, the same form
    // with 64-bit handles here.
    record.cbSize = sizeof(record);
    record.hWnd = receiver ? receiver : hiddenWindow;
    record.hIcon = icon;
    record.uCallbackMessage = callbackMessage;
    record.uID = iconId;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    CopyWholeCharacters(record.szTip, sizeof(record.szTip), tip);

    bool balloon = stateCapable && balloonText && balloonText[0] != '\0';
    if (balloon) {
        record.uFlags |= NIF_INFO;
        CopyWholeCharacters(record.szInfo, sizeof(record.szInfo), balloonText);
        CopyWholeCharacters(record.szInfoTitle, sizeof(record.szInfoTitle), balloonTitle);
        record.uTimeout = balloonTimeoutSeconds * 1000;
        record.dwInfoFlags = balloonFlags;
    }

    hidden = createHidden;
    if (stateCapable && hidden) {
        record.uFlags = NIF_STATE;
        record.dwState = NIS_HIDDEN;
        record.dwStateMask = NIS_HIDDEN;
    }

    BOOL result = TRUE;
    if (!hidden || stateCapable) {
        result = Notify(NIM_ADD);
        removed = hidden = !result;
    }
    // Later changes must not show the balloon again.
    if (balloon)
        record.szInfo[0] = '\0';
    return result;
}

BOOL NotifyAreaIcon::RemoveFromTray()
{
    if (!enabled || removed)
        return TRUE;
    record.uFlags = 0;
    if (Notify(NIM_DELETE))
        hidden = removed = TRUE;
    return removed;
}

BOOL NotifyAreaIcon::AddToTray()
{
    if (!removed)
        RemoveFromTray();
    if (enabled) {
        record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        if (Notify(NIM_ADD))
            hidden = removed = FALSE;
    }
    return !removed;
}

BOOL NotifyAreaIcon::ShowInTray()
{
    if (removed)
        return AddToTray();
    if (!hidden)
        return TRUE;
    if (stateCapable) {
        record.uFlags = NIF_STATE;
        record.dwState = 0;
        record.dwStateMask = NIS_HIDDEN;
        if (Notify(NIM_MODIFY))
            hidden = FALSE;
    } else {
        AddToTray();
    }
    return !hidden;
}

BOOL NotifyAreaIcon::HideInTray()
{
    if (!enabled || removed || hidden)
        return TRUE;
    if (stateCapable) {
        record.uFlags = NIF_STATE;
        record.dwState = NIS_HIDDEN;
        record.dwStateMask = NIS_HIDDEN;
        hidden = Notify(NIM_MODIFY);
    } else {
        RemoveFromTray();
    }
    return hidden;
}

BOOL NotifyAreaIcon::SetTipText(const char* text)
{
    if (!enabled)
        return FALSE;
    record.uFlags = NIF_TIP;
    CopyWholeCharacters(record.szTip, sizeof(record.szTip), text);
    // A hidden icon takes the text along with its next add.
    if (hidden)
        return TRUE;
    return Notify(NIM_MODIFY);
}

void NotifyAreaIcon::RestoreAfterTaskbarCreated()
{
    if (!enabled)
        return;
    bool wasVisible = !removed && !hidden;
    // The new taskbar holds none of our icons, whatever the flags said.
    removed = TRUE;
    hidden = TRUE;
    if (wasVisible)
        AddToTray();
}

UINT NotifyAreaIcon::DefaultCommand(HMENU submenu) const
{
    if (!defaultByPosition)
        return defaultMenuItem;
    return GetMenuItemID(submenu, static_cast<int>(defaultMenuItem));
}

LRESULT NotifyAreaIcon::HandleTrayCallback(WPARAM iconId, LPARAM mouseMessage)
{
    if (iconId != record.uID)
        return 0;
    HWND commandWindow = record.hWnd;
    if (!commandWindow)
        return 0;

    UINT mouse = LOWORD(mouseMessage);
    if (mouse == WM_RBUTTONUP) {
        HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(LOWORD(record.uID)));
        if (!menu)
            return 0;
        HMENU submenu = GetSubMenu(menu, 0);
        if (!submenu) {
            DestroyMenu(menu);
            return 0;
        }
        SetMenuDefaultItem(submenu, defaultMenuItem, defaultByPosition);
        POINT cursor = {};
        GetCursorPos(&cursor);
        // Without the foreground the menu would not close when the user
        // clicks elsewhere; the WM_NULL afterwards is the matching quirk.
        SetForegroundWindow(record.hWnd);
        TrackPopupMenu(submenu, TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, commandWindow, nullptr);
        PostMessageA(record.hWnd, WM_NULL, 0, 0);
        DestroyMenu(menu);
        return 1;
    }
    if (mouse == WM_LBUTTONDBLCLK) {
        SetForegroundWindow(record.hWnd);
        UINT command = defaultMenuItem;
        if (defaultByPosition) {
            HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(LOWORD(record.uID)));
            if (!menu)
                return 0;
            command = DefaultCommand(GetSubMenu(menu, 0));
            DestroyMenu(menu);
        }
        SendMessageA(commandWindow, WM_COMMAND, command, 0);
        return 1;
    }
    return 1;
}

LRESULT CALLBACK NotifyAreaIcon::HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<NotifyAreaIcon*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self || window != self->hiddenWindow)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == g_taskbarCreatedMessage && message != 0) {
        self->RestoreAfterTaskbarCreated();
        return 0;
    }
    if (message == self->record.uCallbackMessage)
        return self->HandleTrayCallback(wParam, lParam);
    // A receiver hidden in the notification area has a parent, and the
    // system tells only top-level windows that the session is ending. A
    // top-level receiver has been told already.
    if (message == WM_ENDSESSION && self->record.hWnd && self->record.hWnd != window &&
        GetAncestor(self->record.hWnd, GA_PARENT) != GetDesktopWindow())
        return SendMessageA(self->record.hWnd, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}
