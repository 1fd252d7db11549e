#pragma once
// A stand-in notification area for the tests: a window of the taskbar's
// class that records what Shell_NotifyIcon hands the shell. Wine's shell32
// sends each call to the first "Shell_TrayWnd" window as WM_COPYDATA, so a
// test that creates this window before the program under test sees every
// add, change and delete, tooltip included.
#include <windows.h>

#include <string>
#include <vector>

struct TrayCall {
    DWORD message;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    HWND owner;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    std::string tip;
    DWORD state;
    DWORD stateMask;
};

class FakeTray {
public:
    FakeTray();
    ~FakeTray();
    FakeTray(const FakeTray&) = delete;
    FakeTray& operator=(const FakeTray&) = delete;

    HWND Window() const { return window; }
    std::vector<TrayCall> Calls() const { return calls; }
    void Clear() { calls.clear(); }

    // Whether the owner's icon is in the area now and visible, by replaying
    // the calls as the shell would.
    bool HasIcon(HWND owner, UINT id) const;
    bool IconVisible(HWND owner, UINT id) const;
    std::string TipOf(HWND owner, UINT id) const;

    // Makes the area forget every icon, as a restarted taskbar does.
    void Forget() { forgottenBefore = calls.size(); }
    // Turns every request down from now on, as a desktop without a
    // notification area does.
    void RefuseIcons() { refusing = true; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    struct Icon {
        bool present = false;
        bool hidden = false;
        std::string tip;
    };
    Icon Replay(HWND owner, UINT id) const;

    HWND window = nullptr;
    std::vector<TrayCall> calls;
    size_t forgottenBefore = 0;
    bool refusing = false;
};

// Pumps this thread's messages for ms milliseconds (the fake tray and the
// test's windows need it while the program under test talks to them).
void PumpMessages(DWORD ms);
