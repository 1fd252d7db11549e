#include "MessageBoxes.h"

#include "Controls.h"
#include "WindowSearch.h"

namespace guidriver {

namespace {

// Message boxes are dialogs of the system's dialog class; their text is the
// static control with identifier 0xFFFF.
constexpr const char* kDialogClass = "#32770";
constexpr int kMessageTextId = 0xFFFF;

}  // namespace

MessageBoxSeen WaitForMessageBox(const std::string& caption, DWORD processId, DWORD timeoutMs)
{
    WindowQuery query;
    query.className = kDialogClass;
    query.title = caption;
    query.processId = processId;
    query.visibleOnly = true;
    MessageBoxSeen seen;
    seen.box = WaitForTopLevelWindow(query, timeoutMs);
    if (seen.box) {
        seen.caption = caption;
        // The text control is filled when the box is created, but give a
        // box that is still being built a moment.
        WaitUntil([&] { return !(seen.text = MessageBoxText(seen.box)).empty(); }, 1000);
    }
    return seen;
}

std::string MessageBoxText(HWND box)
{
    HWND text = FindControl(box, kMessageTextId);
    return text ? ControlText(text) : std::string();
}

bool PressMessageBoxButton(HWND box, int buttonId)
{
    HWND button = FindControl(box, buttonId);
    return button && Click(button);
}

MessageBoxSeen AnswerMessageBox(const std::string& caption, DWORD processId, int buttonId, DWORD timeoutMs)
{
    MessageBoxSeen seen = WaitForMessageBox(caption, processId, timeoutMs);
    if (!seen.box)
        return seen;
    if (!PressMessageBoxButton(seen.box, buttonId)) {
        seen.box = nullptr;
        return seen;
    }
    WaitUntil([&] { return !IsWindow(seen.box); }, timeoutMs);
    return seen;
}

}  // namespace guidriver
