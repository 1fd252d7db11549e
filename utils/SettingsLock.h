#pragma once
// The system-wide settings lock "Tovrin:Utils". Every process that loads the
// library opens it once; writes that must not interleave with another
// process's hold it for their duration.
namespace utils {

void OpenSettingsLock();
void CloseSettingsLock();

// Holds the lock for its lifetime. Waits without a time limit; a lock
// abandoned by a process that died while holding it is taken over.
class SettingsLockHold {
public:
    SettingsLockHold();
    ~SettingsLockHold();
    SettingsLockHold(const SettingsLockHold&) = delete;
    SettingsLockHold& operator=(const SettingsLockHold&) = delete;

private:
    bool held;
};

} // namespace utils
