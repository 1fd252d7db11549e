#include "dialler/BusyState.h"

#include "dialler/DiallerContext.h"

void BeginBusy()
{
    ++g_dialler.busy.depth;
}

void EndBusy()
{
    BusyRecord& busy = g_dialler.busy;
    if (busy.depth > 0)
        --busy.depth;
    if (busy.depth == 0 && busy.closeRequested && !busy.closing) {
        busy.closeRequested = false;
        PostMessageA(g_dialler.mainDialog, WM_COMMAND, IDCANCEL, 0);
    }
}

bool IgnoringInput()
{
    return g_dialler.busy.depth > 0 || g_dialler.busy.closing;
}

bool IsClosing()
{
    return g_dialler.busy.closing;
}

bool BeginClosing()
{
    BusyRecord& busy = g_dialler.busy;
    if (busy.closing)
        return false;  // a second close
    if (busy.depth > 0) {
        busy.closeRequested = true;
        return false;
    }
    busy.closing = true;
    return true;
}

void MarkClosing()
{
    g_dialler.busy.closing = true;
    g_dialler.busy.closeRequested = false;
}
