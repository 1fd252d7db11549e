#include "FixtureFiles.h"

#include <fstream>
#include <sstream>

std::string WinePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string ReadFixture(const std::string& name)
{
    std::ifstream in(WinePath(std::string(TOVRIN_UI_FIXTURES) + "/" + name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
