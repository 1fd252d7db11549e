#pragma once
// The dialler's notification-area icon: shown while connected, its tooltip
// counting the time online, its right-click menu offering Disconnect and
// About. One object for the whole program (g_trayIcon).
#include <windows.h>

// The notification record in its older form with balloon fields but without
// the later GUID and balloon-icon members, which the shells of every version
// accept. The toolchain's NOTIFYICONDATAA is the newest, larger form.
struct NotifyIconRecord {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uTimeout;
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
#if !defined(_WIN64)
static_assert(sizeof(NotifyIconRecord) == 488, "the older notification record is 488 bytes");
#endif

class NotifyAreaIcon {
public:
    NotifyAreaIcon();
    virtual ~NotifyAreaIcon();

    NotifyAreaIcon(const NotifyAreaIcon&) = delete;
    NotifyAreaIcon& operator=(const NotifyAreaIcon&) = delete;

    // Creates the hidden window and adds the icon (with the hidden state when
    // hidden is set and the system can hide icons). False when the system has
    // no notification area or the shell refused the icon. A null receiver
    // makes the hidden window receive the callbacks.
    BOOL Setup(HINSTANCE instance, HWND receiver, UINT callbackMessage, const char* tip, HICON icon, UINT iconId,
               BOOL hidden, const char* balloonText, const char* balloonTitle, DWORD balloonFlags,
               UINT balloonTimeoutSeconds);

    BOOL AddToTray();       // true when the icon is in the notification area afterwards
    BOOL RemoveFromTray();  // true when it is not
    BOOL ShowInTray();      // true when it is visible afterwards
    BOOL HideInTray();      // true when it is hidden afterwards

    // Stores the tooltip (at most 127 bytes, never splitting a double-byte
    // character) and, when the icon is visible, tells the shell.
    BOOL SetTipText(const char* text);

    // The receiver's handler of the callback message: the menu on a
    // right-button release, the default command on a double click. 0 when
    // the message is not for this icon or the menu cannot be loaded.
    virtual LRESULT HandleTrayCallback(WPARAM iconId, LPARAM mouseMessage);

    // The shell forgot every icon when the taskbar was created again; put
    // ours back when it was visible.
    void RestoreAfterTaskbarCreated();

    bool IsEnabled() const { return enabled != FALSE; }
    bool IsHidden() const { return hidden != FALSE; }
    bool IsRemoved() const { return removed != FALSE; }
    const char* TipText() const { return record.szTip; }
    HWND HiddenWindow() const { return hiddenWindow; }

private:
    static LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL Notify(DWORD message);
    UINT DefaultCommand(HMENU submenu) const;

    NotifyIconRecord record;
    HINSTANCE instance;
    HWND hiddenWindow;
    BOOL enabled;
    BOOL hidden;
    BOOL removed;
    BOOL stateCapable;
    UINT defaultMenuItem;
    BOOL defaultByPosition;
};

// The message number the system gives "TaskbarCreated"; obtained at start.
extern const UINT g_taskbarCreatedMessage;

// The program's single icon; its address is also in g_dialler.tray.
extern NotifyAreaIcon g_trayIcon;
