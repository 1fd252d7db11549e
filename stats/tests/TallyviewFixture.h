#pragma once
// Common ground of the statistics window tests: settings pointing at the
// provider stand-in, a stand-in dialler, and helpers to watch the window and
// the provider's message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "StandInDialler.h"

namespace stats_test {

extern const char kUserMessageCaption[];

class TallyviewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stored settings; call before StartTallyview.
    void SetInterval(DWORD seconds);
    void SetBanner(const std::string& address);

    // Starts Tallyview as the dialler does and waits for its window.
    HWND StartTallyview(const std::string& extraEnvironment = "");

    // The provider's message box, once it is open; null after timeoutMs.
    HWND WaitForMessageBox(DWORD timeoutMs);
    static std::string MessageBoxText(HWND box);
    // Presses OK and waits until the box has gone.
    void PressOk(HWND box);
    // Clicks Disconnect the way a mouse click reaches the button.
    void ClickDisconnect();

    std::string Field(int id) const { return ControlText(statsWindow, id); }

    StandInDialler dialler;
    HWND statsWindow = nullptr;
    std::string statsAddress; // the UpdatePage the tests store
};

} // namespace stats_test
