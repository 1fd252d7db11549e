#include "ResumeAtLogOn.h"

#include "utils/SwitcherResume.h"

namespace switcher {

void RegisterResumeAtLogOn(const wchar_t* switcherPath)
{
    WriteSwitcherResume(switcherPath, false);
}

void ClearResumeAtLogOn()
{
    ClearSwitcherResume();
}

} // namespace switcher
