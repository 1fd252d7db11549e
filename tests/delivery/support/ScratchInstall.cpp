#include "ScratchInstall.h"

#include "ScratchDirectory.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace delivery {

namespace {

void List(const std::string& dir, const std::string& prefix, std::vector<std::string>& out)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(prefix + name + "\\");
            List(dir + "\\" + name, prefix + name + "\\", out);
        } else {
            out.push_back(prefix + name);
        }
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

} // namespace

ScratchInstall::ScratchInstall()
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    previous = current;
    dir = scratch::MakeDirectory("dlv");
    SetCurrentDirectoryA(dir.c_str());
}

ScratchInstall::~ScratchInstall()
{
    SetCurrentDirectoryA(previous.c_str());
    scratch::RemoveTree(dir);
}

std::string ScratchInstall::Path(const std::string& relative) const
{
    return dir + "\\" + relative;
}

void ScratchInstall::Write(const std::string& relative, const std::string& content) const
{
    std::ofstream(Path(relative), std::ios::binary) << content;
}

std::string ScratchInstall::Read(const std::string& relative) const
{
    std::ifstream in(Path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ScratchInstall::Exists(const std::string& relative) const
{
    return GetFileAttributesA(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ScratchInstall::Listing() const
{
    std::vector<std::string> names;
    List(dir, "", names);
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names)
        text += name + "\n";
    return text;
}

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\'));
}

} // namespace delivery
