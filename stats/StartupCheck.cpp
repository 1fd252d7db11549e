#include "stats/StartupCheck.h"

#include "stats/res/resource.h"
#include "utils/StartupCheck.h"

int RunTallyviewStartupCheck(HINSTANCE instance)
{
    return startupcheck::HasResource(instance, RT_DIALOG, IDD_STATISTICS) ? startupcheck::kPassed
                                                                           : startupcheck::kMissingResource;
}
