#include "update/XmlScanner.h"

#include <cstring>

namespace XmlInternal {

int32_t XmlScanner::Find(int32_t from, char c) const {
  if (from >= length) {
    return length;
  }
  if (!leadBytes.HasLeadBytes()) {
    const void* hit = std::memchr(text + from, c, static_cast<size_t>(length - from));
    return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - text) : length;
  }
  int32_t pos = from;
  while (pos < length && text[pos] != c) {
    pos = Step(pos);
  }
  return pos < length ? pos : length;
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

bool XmlScanner::NextToken(XmlToken& token) const {
  token.quoted = false;
  int32_t pos = token.next;
  while (pos < length && IsXmlSpace(At(pos))) {
    ++pos;
  }
  if (pos >= length) {
    token.first = token.last = token.next = length;
    return false;
  }
  const char c = text[pos];
  if (c == '"' || c == '\'') {
    token.quoted = true;
    token.first = pos + 1;
    const int32_t close = Find(pos + 1, c);
    token.last = close - 1;
    token.next = close < length ? close + 1 : length;
    return true;
  }
  token.first = pos;
  int32_t end = pos;
  while (end < length && !IsDelimiter(At(end))) {
    end = Step(end);
  }
  if (end == pos) {
    end = pos + 1;  // a delimiter on its own is a token
  }
  // A lead byte in the last position steps one byte, so end never passes
  // the text's end.
  token.last = end - 1;
  token.next = end;
  return true;
}

bool XmlScanner::TokenMatches(const XmlToken& token, const char* name) const {
  const int32_t count = token.last - token.first + 1;
  for (int32_t i = 0; i < count; ++i) {
    if (name[i] == '\0' || name[i] != text[token.first + i]) {
      return false;
    }
  }
  const char after = name[count < 0 ? 0 : count];
  return after == '\0' || after == ' ' || after == '=' || after == '/' || after == '[';
}

std::string XmlScanner::TokenText(const XmlToken& token) const {
  if (token.last < token.first) {
    return std::string();
  }
  return std::string(text + token.first, static_cast<size_t>(token.last - token.first + 1));
}

}  // namespace XmlInternal
