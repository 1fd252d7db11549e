#pragma once
// The lock a switcher run holds while it lists and installs staged files.
// The download thread takes it too while it turns a set into markers, so a
// run never sees a set that is only partly renamed. Header-only, like
// SwitcherResume.h: switcher.exe links no library of ours.
#include "utils/NamedLock.h"

const wchar_t kSwitcherRunLockName[] = L"Local\\TovrinSwitcher";

// Owns the lock for its life when Held(); waits at most waitMs.
class SwitcherRunLock : public NamedLock {
public:
    explicit SwitcherRunLock(DWORD waitMs) : NamedLock(kSwitcherRunLockName, waitMs) {}
};
