#include "dialler/TaskbarAnimation.h"

#include <shellapi.h>
#include <string.h>

namespace {

// The owner that keeps a hidden dialog off the taskbar; created on first
// need and kept for the life of the program.
HWND g_invisibleParent = nullptr;

// The taskbar position record in its original form, which every shell
// accepts; the toolchain's APPBARDATA is the same on 32-bit builds.
static_assert(sizeof(void*) != 4 || sizeof(APPBARDATA) == 36, "APPBARDATA is 36 bytes on 32-bit Windows");

struct TrayAreaSearch {
    RECT* area;
};

BOOL CALLBACK VisitTaskbarChild(HWND child, LPARAM parameter)
{
    auto* search = reinterpret_cast<TrayAreaSearch*>(parameter);
    char className[256] = "";
    GetClassNameA(child, className, sizeof(className));
    if (strcmp(className, "TrayNotifyWnd") == 0) {
        GetWindowRect(child, search->area);
        return TRUE;
    }
    if (strcmp(className, "TrayClockWClass") == 0) {
        RECT clock;
        GetWindowRect(child, &clock);
        // A clock well above the area's bottom means a vertical taskbar:
        // the icons sit below the clock, otherwise to its left.
        if (clock.bottom < search->area->bottom - 5)
            search->area->top = clock.bottom;
        else
            search->area->right = clock.left;
        return FALSE;
    }
    return TRUE;
}

void SetVisibleStyle(HWND window, bool visible)
{
    LONG style = GetWindowLongA(window, GWL_STYLE);
    style = visible ? (style | WS_VISIBLE) : (style & ~WS_VISIBLE);
    SetWindowLongA(window, GWL_STYLE, style);
}

} // namespace

void FindNotifyAreaRect(RECT* out)
{
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar) {
        GetWindowRect(taskbar, out);
        TrayAreaSearch search = {out};
        EnumChildWindows(taskbar, VisitTaskbarChild, reinterpret_cast<LPARAM>(&search));
        return;
    }

    APPBARDATA bar = {};
    bar.cbSize = sizeof(bar);
    if (SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) {
        const RECT& t = bar.rc;
        switch (bar.uEdge) {
        case ABE_LEFT:
        case ABE_RIGHT:
            SetRect(out, t.left, t.bottom - 100, t.right, t.bottom - 16);
            break;
        case ABE_TOP:
        case ABE_BOTTOM:
            SetRect(out, t.right - 100, t.top, t.right - 16, t.bottom);
            break;
        default:
            break;
        }
        return;
    }

    SystemParametersInfoA(SPI_GETWORKAREA, 0, out, 0);
    out->left = out->right - 150;
    out->top = out->bottom - 30;
}

bool WindowAnimationEnabled()
{
    ANIMATIONINFO animation = {};
    animation.cbSize = sizeof(animation);
    SystemParametersInfoA(SPI_GETANIMATION, sizeof(animation), &animation, 0);
    return animation.iMinAnimate != 0;
}

bool DetachFromTaskbar(HWND window)
{
    if (!g_invisibleParent) {
        g_invisibleParent = CreateWindowExA(0, "Static", "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                            CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        if (!g_invisibleParent)
            return false;
    }
    SetParent(window, g_invisibleParent);
    return true;
}

void AnimateToTray(HWND window)
{
    if (WindowAnimationEnabled()) {
        RECT from, to;
        GetWindowRect(window, &from);
        FindNotifyAreaRect(&to);
        DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    }
    DetachFromTaskbar(window);
    // Clearing the style directly hides the window without a second
    // animation of its own.
    SetVisibleStyle(window, false);
}

void AnimateFromTray(HWND window)
{
    if (WindowAnimationEnabled()) {
        RECT from, to;
        GetWindowRect(window, &to);
        FindNotifyAreaRect(&from);
        SetParent(window, nullptr);
        DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    } else {
        SetParent(window, nullptr);
    }
    SetVisibleStyle(window, true);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (g_invisibleParent)
        SetActiveWindow(g_invisibleParent);
    SetActiveWindow(window);
    SetForegroundWindow(window);
}
