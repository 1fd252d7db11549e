#pragma once
// Message boxes shown by the program under test: found by caption, read and
// answered like a user would.
#include <windows.h>

#include <string>

namespace guidriver {

struct MessageBoxSeen {
    HWND box = nullptr;
    std::string caption;
    std::string text;
};

// Waits for a visible message box with this caption (of the given process,
// or any when 0) and reads its text. box is nullptr when none appeared.
MessageBoxSeen WaitForMessageBox(const std::string& caption, DWORD processId, DWORD timeoutMs);

// The box's message text.
std::string MessageBoxText(HWND box);

// Presses the box's button with this identifier (IDOK, IDCANCEL, IDYES...);
// false when the box has no such button.
bool PressMessageBoxButton(HWND box, int buttonId);

// Convenience: wait for the box, press the button, wait until it is gone.
// Returns what the box said; box is nullptr when none appeared.
MessageBoxSeen AnswerMessageBox(const std::string& caption, DWORD processId, int buttonId, DWORD timeoutMs);

}  // namespace guidriver
