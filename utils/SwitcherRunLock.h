#pragma once
// The lock a switcher run holds while it lists and installs staged files.
// The download thread takes it too while it turns a set into markers, so a
// run never sees a set that is only partly renamed. Header-only, like
// SwitcherResume.h: switcher.exe links no library of ours.
#include <windows.h>

const wchar_t kSwitcherRunLockName[] = L"Local\\TovrinSwitcher";

// Owns the named mutex for its life when Held(); waits at most waitMs.
class SwitcherRunLock {
public:
    explicit SwitcherRunLock(DWORD waitMs) : mutex(CreateMutexW(nullptr, FALSE, kSwitcherRunLockName))
    {
        if (!mutex)
            return;
        const DWORD waited = WaitForSingleObject(mutex, waitMs);
        // Abandoned: the holder died, and what it left is for the next
        // switcher run to put right; the lock is ours all the same.
        held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~SwitcherRunLock()
    {
        if (held)
            ReleaseMutex(mutex);
        if (mutex)
            CloseHandle(mutex);
    }
    SwitcherRunLock(const SwitcherRunLock&) = delete;
    SwitcherRunLock& operator=(const SwitcherRunLock&) = delete;

    bool Held() const { return held; }

private:
    HANDLE mutex;
    bool held = false;
};
