#include "update/XmlScanner.h"

#include <cstring>

namespace XmlInternal {

int32_t XmlScanner::FindText(int32_t from, const char* pattern) const
{
    const int32_t patternLength = static_cast<int32_t>(std::strlen(pattern));
    int32_t pos = from;
    while (true) {
        pos = Find(pos, pattern[0]);
        if (pos + patternLength > length) {
            return -1;
        }
        if (std::memcmp(text + pos, pattern, static_cast<size_t>(patternLength)) == 0) {
            return pos;
        }
        pos = Step(pos);
    }
}

bool XmlScanner::TokenMatches(const XmlToken& token, const char* name) const
{
    return TokenMatches(token, name, std::strlen(name));
}

} // namespace XmlInternal
