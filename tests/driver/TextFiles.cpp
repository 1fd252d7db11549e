#include "TextFiles.h"

#include <string.h>
#include <wchar.h>

#include "WindowSearch.h"
#include "utils/ScopedHandle.h"

namespace guidriver {

std::wstring Wide(const std::string& utf8)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], size);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

std::string Utf8(const std::wstring& wide)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], size, nullptr, nullptr);
    text.resize(strlen(text.c_str()));
    return text;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    // Shared for writing and deletion: the writer keeps the file open.
    FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<std::string> lines;
    if (!file)
        return lines;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start)) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string WaitForLine(const std::string& path, const std::function<bool(const std::string&)>& condition,
                        DWORD timeoutMs)
{
    std::string found;
    WaitUntil(
        [&] {
            for (const std::string& line : ReadLines(path))
                if (condition(line)) {
                    found = line;
                    return true;
                }
            return false;
        },
        timeoutMs, 100);
    return found;
}

bool WaitForLineCount(const std::string& path, size_t count, DWORD timeoutMs)
{
    return WaitUntil([&] { return ReadLines(path).size() >= count; }, timeoutMs, 100);
}

std::string ConnectionLogPath()
{
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return Utf8(folder) + "\\Tovrin\\Tovrin.log";
}

std::string RotatedConnectionLogPath()
{
    return ConnectionLogPath() + ".1";
}

std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& texts)
{
    size_t next = 0;
    for (const std::string& text : texts) {
        while (next < lines.size() && lines[next].find(text) == std::string::npos)
            ++next;
        if (next == lines.size()) {
            std::string all;
            for (const std::string& line : lines)
                all += line + "\n";
            return "no line with \"" + text + "\" in its place in:\n" + all;
        }
        ++next;
    }
    return std::string();
}

}  // namespace guidriver
