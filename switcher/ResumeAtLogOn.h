#pragma once
// Windows may end a program started during log-off. While a run is under
// way the switcher is registered to run once at the next log-on, with an
// empty argument (no dialler to wait for), so a cut-off install completes
// then. The dialler writes the same value just before starting us.
namespace switcher {

// Writes "\"<switcherPath>\" \"\"", over whatever the value held.
void RegisterResumeAtLogOn(const wchar_t* switcherPath);
void ClearResumeAtLogOn();

} // namespace switcher
