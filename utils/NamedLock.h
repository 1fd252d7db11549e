#pragma once
// A named mutex held for the life of this object, waited for at most a given
// time. Header-only: switcher.exe links no library of ours.
#include <windows.h>

class NamedLock {
public:
    NamedLock(const wchar_t* name, DWORD waitMs) : mutex(CreateMutexW(nullptr, FALSE, name))
    {
        if (!mutex)
            return;
        const DWORD waited = WaitForSingleObject(mutex, waitMs);
        // Abandoned: the holder died, and what it left is for the next
        // holder to put right; the lock is ours all the same.
        held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~NamedLock()
    {
        if (held)
            ReleaseMutex(mutex);
        if (mutex)
            CloseHandle(mutex);
    }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    bool Held() const { return held; }

private:
    HANDLE mutex;
    bool held = false;
};
