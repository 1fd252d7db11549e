#include "FakeTray.h"

#include <shellapi.h>

namespace {

// The record Wine's shell32 (version 8) sends with WM_COPYDATA: the caller's
// NOTIFYICONDATA made independent of the caller's bitness.
struct WineNotifyData {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeout;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    UINT width;
    UINT height;
    UINT planes;
    UINT bpp;
};

const wchar_t kTaskbarClass[] = L"Shell_TrayWnd";

std::string Narrow(const WCHAR* text)
{
    char out[256] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof(out), nullptr, nullptr);
    return out;
}

} // namespace

FakeTray::FakeTray()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kTaskbarClass;
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, kTaskbarClass, L"", WS_POPUP, 0, 740, 1024, 28, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

FakeTray::~FakeTray()
{
    if (window)
        DestroyWindow(window);
}

LRESULT CALLBACK FakeTray::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<FakeTray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_COPYDATA || !self)
        return DefWindowProcW(window, message, wParam, lParam);
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (copy->cbData < sizeof(WineNotifyData))
        return FALSE;
    const auto* data = static_cast<const WineNotifyData*>(copy->lpData);
    TrayCall call;
    call.message = static_cast<DWORD>(copy->dwData);
    call.owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(data->hWnd));
    call.id = data->uID;
    call.flags = data->uFlags;
    call.callbackMessage = data->uCallbackMessage;
    call.tip = Narrow(data->szTip);
    call.state = data->dwState;
    call.stateMask = data->dwStateMask;

    // Answer as a shell would: adding twice, or changing or deleting an
    // icon that is not there, fails.
    Icon before = self->Replay(call.owner, call.id);
    bool ok = !self->refusing && (call.message == NIM_ADD ? !before.present : before.present);
    if (ok)
        self->calls.push_back(call);
    return ok;
}

FakeTray::Icon FakeTray::Replay(HWND owner, UINT id) const
{
    Icon icon;
    for (size_t i = forgottenBefore; i < calls.size(); ++i) {
        const TrayCall& call = calls[i];
        if (call.owner != owner || call.id != id)
            continue;
        if (call.message == NIM_DELETE) {
            icon = Icon();
            continue;
        }
        icon.present = true;
        if (call.message == NIM_ADD)
            icon.hidden = false;
        if (call.flags & NIF_TIP)
            icon.tip = call.tip;
        if ((call.flags & NIF_STATE) && (call.stateMask & NIS_HIDDEN))
            icon.hidden = (call.state & NIS_HIDDEN) != 0;
    }
    return icon;
}

bool FakeTray::HasIcon(HWND owner, UINT id) const
{
    return Replay(owner, id).present;
}

bool FakeTray::IconVisible(HWND owner, UINT id) const
{
    Icon icon = Replay(owner, id);
    return icon.present && !icon.hidden;
}

std::string FakeTray::TipOf(HWND owner, UINT id) const
{
    return Replay(owner, id).tip;
}

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}
