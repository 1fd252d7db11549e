#include "dialler/BusyState.h"

#include "dialler/DiallerContext.h"

// Only this file changes busyDepth, closeRequested and closing.

void BeginBusy()
{
    ++g_dialler.busyDepth;
}

void EndBusy()
{
    if (g_dialler.busyDepth > 0)
        --g_dialler.busyDepth;
    if (g_dialler.busyDepth == 0 && g_dialler.closeRequested && !g_dialler.closing) {
        g_dialler.closeRequested = false;
        PostMessageA(g_dialler.mainDialog, WM_COMMAND, IDCANCEL, 0);
    }
}

bool IgnoringInput()
{
    return g_dialler.busyDepth > 0 || g_dialler.closing;
}

bool BeginClosing()
{
    if (g_dialler.closing)
        return false;  // a second close
    if (g_dialler.busyDepth > 0) {
        g_dialler.closeRequested = true;
        return false;
    }
    g_dialler.closing = true;
    return true;
}

void MarkClosing()
{
    g_dialler.closing = true;
    g_dialler.closeRequested = false;
}
