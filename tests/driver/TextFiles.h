#pragma once
// Lines of a log that another process is still writing. Paths are UTF-8,
// so a folder named outside the ANSI code page can be read too.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace guidriver {

// UTF-8 and the UTF-16 the wide calls take.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// The file's complete lines (a last line without its line break is still
// being written and left out); empty when the file cannot be read.
std::vector<std::string> ReadLines(const std::string& path);

// Waits until some complete line satisfies the condition; returns it, or an
// empty text on time-out.
std::string WaitForLine(const std::string& path, const std::function<bool(const std::string&)>& condition,
                        DWORD timeoutMs);

// Waits until the file has at least count complete lines; false on time-out.
bool WaitForLineCount(const std::string& path, size_t count, DWORD timeoutMs);

// The programs' connection log in this prefix (%LOCALAPPDATA%\Tovrin), and
// the older half it rotates to.
std::string ConnectionLogPath();
std::string RotatedConnectionLogPath();

// Empty when the lines hold, in this order, a line containing each of the
// texts; otherwise the first text not found after the ones before it, and
// the lines.
std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& texts);

}  // namespace guidriver
