// The dialog's busy protocol: nested busy stretches, and a close that comes
// during any of them.
#include <gtest/gtest.h>

#include "dialler/BusyState.h"
#include "dialler/DiallerContext.h"

DiallerContext g_dialler;

namespace {

class BusyState : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_dialler.busy = BusyRecord{};
        g_dialler.mainDialog =
            CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(g_dialler.mainDialog); }

    // Takes a close posted to the dialog off the queue.
    static bool ClosePosted()
    {
        MSG message;
        return PeekMessageA(&message, g_dialler.mainDialog, WM_COMMAND, WM_COMMAND, PM_REMOVE) &&
               message.wParam == IDCANCEL;
    }
};

} // namespace

// Regression: the hang-up of a stale connection put back the flag it had
// found instead of ending its stretch, so a close that came during it was
// lost, and the next Disconnect then ended the program.
TEST_F(BusyState, CloseDuringAStaleHangUpIsCarriedOutWhenItEnds)
{
    BeginBusy();
    EXPECT_FALSE(BeginClosing());
    EXPECT_TRUE(IgnoringInput());
    EndBusy();
    EXPECT_TRUE(ClosePosted());
    EXPECT_FALSE(IgnoringInput());
}

// The same hang-up inside a Disconnect's wait: the close waits for the
// outer stretch, then runs once.
TEST_F(BusyState, NestedStretchesCarryOutTheCloseOnceTheLastEnds)
{
    BeginBusy();
    BeginBusy();
    EXPECT_FALSE(BeginClosing());
    EndBusy();
    EXPECT_FALSE(ClosePosted());
    EndBusy();
    EXPECT_TRUE(ClosePosted());
    EXPECT_TRUE(BeginClosing());
    EXPECT_FALSE(BeginClosing()) << "a second close";
    EXPECT_TRUE(IgnoringInput());
}
