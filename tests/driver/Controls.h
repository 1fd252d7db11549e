#pragma once
// Reading and working the controls of another program's dialog, as a user
// would: clicks are posted, so a click that opens a modal box does not block
// the test.
#include <windows.h>

#include <string>
#include <vector>

namespace guidriver {

// Posts a click to a button (push button, radio button or check box).
bool Click(HWND button);
// Posts the dialog the command a click on its control sends, whether or not
// the control is enabled or shown: what a keyboard shortcut or a racing
// click can deliver.
void Click(HWND dialog, int controlId);

std::string ControlText(HWND control);
// The text of a dialog's control; empty when there is no such control.
std::string ControlText(HWND dialog, int controlId);
// Polls until the control shows text; false on time-out.
bool WaitForControlText(HWND dialog, int controlId, const std::string& text, DWORD timeoutMs);
bool SetControlText(HWND control, const std::string& text);

bool IsChecked(HWND button);
bool IsEnabled(HWND control);
// Polls until the dialog's control can be pressed; false on time-out.
bool WaitForEnabled(HWND dialog, int controlId, DWORD timeoutMs);
bool IsVisible(HWND window);

// Drop-down list contents and selection.
std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);  // -1: none
std::string ComboSelectedText(HWND combo);
// Selects the item with exactly this text and tells the dialog, as a user's
// choice would (CBN_SELCHANGE). False when there is no such item.
bool SelectComboItem(HWND combo, const std::string& text);

}  // namespace guidriver
