#include "update/XmlScanner.h"

#include <cstring>

namespace XmlInternal {

int32_t XmlScanner::FindBefore(int32_t from, int32_t limit, char c) const {
  if (from >= limit) {
    return limit;
  }
  if (!leadBytes.HasLeadBytes()) {
    // Most spans are short, where a plain loop beats a memchr call; long
    // ones (start tags full of attributes) go to memchr.
    const int32_t shortEnd = limit - from > 16 ? from + 16 : limit;
    int32_t pos = from;
    while (pos < shortEnd && text[pos] != c) {
      ++pos;
    }
    if (pos < shortEnd || pos == limit) {
      return pos;
    }
    const void* hit = std::memchr(text + pos, c, static_cast<size_t>(limit - pos));
    return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - text) : limit;
  }
  int32_t pos = from;
  while (pos < limit && text[pos] != c) {
    pos = Step(pos);
  }
  return pos < limit ? pos : limit;
}

int32_t XmlScanner::FindText(int32_t from, const char* pattern) const {
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

bool XmlScanner::TokenMatches(const XmlToken& token, const char* name) const {
  return TokenMatches(token, name, std::strlen(name));
}

bool XmlScanner::TokenMatches(const XmlToken& token, const char* name, size_t nameLength) const {
  const size_t count = static_cast<size_t>(token.last - token.first + 1);
  if (count > nameLength) {
    return false;
  }
  const char* tokenText = text + token.first;
  for (size_t i = 0; i < count; ++i) {
    if (tokenText[i] != name[i]) {
      return false;
    }
  }
  const char after = name[count];
  return after == '\0' || after == ' ' || after == '=' || after == '/' || after == '[';
}

std::string XmlScanner::TokenText(const XmlToken& token) const {
  if (token.last < token.first) {
    return std::string();
  }
  return std::string(text + token.first, static_cast<size_t>(token.last - token.first + 1));
}

}  // namespace XmlInternal
