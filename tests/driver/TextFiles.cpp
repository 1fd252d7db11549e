#include "TextFiles.h"

#include "WindowSearch.h"
#include "utils/ScopedHandle.h"

namespace guidriver {

std::vector<std::string> ReadLines(const std::string& path)
{
    // Shared for writing and deletion: the writer keeps the file open.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

}  // namespace guidriver
