#pragma once
// The banner: the system's web-browser control hosted in a child window that
// takes the place (id, rectangle, z-order) of a placeholder control.
//
// The host window's text is the address the banner was last asked to show,
// its property kNavigateCountProperty counts those requests, and its property
// kBrowserCreatedProperty is set once the control is in place, so all can be
// observed from outside the process.
#include <windows.h>
#include <oaidl.h>
#include <ole2.h>

#include <memory>

#include "stats/BrowserSite.h"
#include "stats/ComRef.h"

extern const char kBrowserHostClass[];
extern const char kBrowserCreatedProperty[];
extern const char kNavigateCountProperty[];

class CWebBrowser {
public:
    CWebBrowser() = default;
    ~CWebBrowser();
    CWebBrowser(const CWebBrowser&) = delete;
    CWebBrowser& operator=(const CWebBrowser&) = delete;

    // Replaces control placeholderId of dialog with the host window, then
    // creates the control in it. OLE must be initialised on this thread.
    // False when the control could not be created or activated; the host
    // window then stays as a blank area and Navigate only records.
    bool Create(HWND dialog, int placeholderId);

    // The control's Navigate (dispatch method 104) with the address and four
    // empty optional arguments. False when there is no control or the call
    // failed.
    bool Navigate(const char* address);

    // Closes the control; called while the host window still exists.
    void Destroy();

    HWND HostWindow() const { return host; }
    bool HasControl() const { return static_cast<bool>(dispatch); }

private:
    bool CreateHost(HWND dialog, int placeholderId);
    bool CreateControl(HWND dialog);

    HWND host = nullptr;
    std::unique_ptr<BrowserSite> site;
    ComRef<IOleObject> oleObject;
    ComRef<IDispatch> dispatch;
};
