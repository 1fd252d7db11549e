// Tallyview: the statistics window the dialler starts when a connection
// comes up. Delivered as Tallyview.dll, though it is a program.
#include <windows.h>

#include "stats/StartupCheck.h"
#include "stats/StatisticsApp.h"
#include "utils/ConnectionLog.h"
#include "utils/ProductVersion.h"
#include "utils/StartupCheck.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (startupcheck::Requested())
        return RunTallyviewStartupCheck(instance);
    tovrinlog::Write("start, version " TOVRIN_VERSION_TEXT);
    StatisticsApp app(instance);
    const int result = app.Run();
    tovrinlog::Write("exit");
    return result;
}
