// Tallyview: the statistics window the dialler starts when a connection
// comes up. Delivered as Tallyview.dll, though it is a program.
#include <windows.h>

#include "stats/StatisticsApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    StatisticsApp app(instance);
    return app.Run();
}
