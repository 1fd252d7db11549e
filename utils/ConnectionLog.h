#pragma once
// The connection log a support desk asks for: %LOCALAPPDATA%\Tovrin\Tovrin.log,
// one line per event from the dialler, the statistics window and switcher,
// each stamped with the time and the program. Capped: past the limit the log
// is renamed to Tovrin.log.1 (replacing the older one) and starts again.
//
// Never a password, in any form; user names only masked (MaskUserName).
// Writing never blocks for long and never fails the caller: a log that cannot
// be written within a moment is skipped.
#include <cstddef>

namespace tovrinlog {

// printf-style; the line is cut at 480 characters.
void Write(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "jo… (8)": the first two characters and the length, so a support desk can
// tell a typing slip without seeing the name.
void MaskUserName(const char* userName, char* out, size_t outSize);

// The default cap; a test may lower it through TOVRIN_LOG_LIMIT (bytes, at
// least 4096).
constexpr unsigned long kDefaultLimit = 256 * 1024;

} // namespace tovrinlog
