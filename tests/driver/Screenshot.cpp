#include "Screenshot.h"

#include "GuiProcess.h"
#include "WindowSearch.h"

namespace guidriver {

bool TakeScreenshot(const std::string& unixPath)
{
    if (unixPath.empty() || unixPath[0] != '/' || unixPath.find('"') != std::string::npos)
        return false;
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    GuiProcess shell;
    // start.exe itself: cmd's built-in start does not pass /unix through.
    std::string arguments = "/wait /unix /usr/bin/import -window root \"" + unixPath + "\"";
    if (!shell.Start(std::string(system) + "\\start.exe", arguments, ""))
        return false;
    if (!shell.WaitForExit(20000))
        return false;
    // start does not wait for a Unix program, nor pass its result back: the
    // file tells, once it has stopped growing.
    std::string windowsPath = "Z:" + unixPath;
    for (char& c : windowsPath)
        if (c == '/')
            c = '\\';
    DWORD lastSize = 0;
    return WaitUntil(
        [&] {
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            if (!GetFileAttributesExA(windowsPath.c_str(), GetFileExInfoStandard, &data) || data.nFileSizeLow == 0)
                return false;
            bool settled = data.nFileSizeLow == lastSize;
            lastSize = data.nFileSizeLow;
            return settled;
        },
        20000, 250);
}

}  // namespace guidriver
