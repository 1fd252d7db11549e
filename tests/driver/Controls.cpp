#include "Controls.h"

#include "WindowSearch.h"

#include <cstdio>

namespace guidriver {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

// SendMessage with a time-out, so a hung program fails the test instead of
// hanging it.
LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok = nullptr)
{
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    if (ok)
        *ok = sent != 0;
    return static_cast<LRESULT>(result);
}

void NotifyParent(HWND control, WORD code)
{
    HWND parent = GetParent(control);
    int id = GetDlgCtrlID(control);
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

}  // namespace

bool Click(HWND button)
{
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

void Click(HWND dialog, int controlId)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
}

std::string ControlText(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    return control ? ControlText(control) : std::string();
}

bool WaitForControlText(HWND dialog, int controlId, const std::string& text, DWORD timeoutMs)
{
    return WaitUntil([&] { return ControlText(dialog, controlId) == text; }, timeoutMs);
}

std::string ControlText(HWND control)
{
    bool ok = false;
    LRESULT length = SendWithTimeout(control, WM_GETTEXTLENGTH, 0, 0, &ok);
    if (!ok || length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = SendWithTimeout(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

bool SetControlText(HWND control, const std::string& text)
{
    bool ok = false;
    LRESULT set = SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok);
    return ok && set;
}

bool IsChecked(HWND button)
{
    return SendWithTimeout(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND control)
{
    return control && IsWindowEnabled(control);
}

bool WaitForEnabled(HWND dialog, int controlId, DWORD timeoutMs)
{
    return WaitUntil([&] { return IsEnabled(GetDlgItem(dialog, controlId)); }, timeoutMs);
}

bool IsVisible(HWND window)
{
    return window && IsWindowVisible(window);
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    LRESULT count = SendWithTimeout(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Wine hands the item text of another process's list over in its
        // wide form even to the ANSI call, so ask for the wide form and
        // convert it here.
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length) ||
            static_cast<LRESULT>(length) < 0)
            break;
        std::wstring wide(length + 1, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&wide[0]), SMTO_ABORTIFHUNG,
                            kSendTimeoutMs, &copied);
        wide.resize(static_cast<LRESULT>(copied) > 0 ? copied : 0);
        char text[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND combo)
{
    return static_cast<int>(SendWithTimeout(combo, CB_GETCURSEL, 0, 0));
}

std::string ComboSelectedText(HWND combo)
{
    int selected = ComboSelection(combo);
    std::vector<std::string> items = ComboItems(combo);
    return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected] : std::string();
}

bool SelectComboItem(HWND combo, const std::string& text)
{
    LRESULT index = SendWithTimeout(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR || SendWithTimeout(combo, CB_SETCURSEL, index, 0) == CB_ERR)
        return false;
    NotifyParent(combo, CBN_SELCHANGE);
    return true;
}

}  // namespace guidriver
