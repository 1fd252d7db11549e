#include "update/XmlAttributeIndex.h"

#include <cstring>

namespace XmlInternal {

void AttributeIndex::Build(const XmlScanner& scan, int32_t tagBegin) {
  tokens.clear();
  if (tokens.capacity() == 0) {
    tokens.reserve(32);  // one allocation covers a typical tag
  }
  XmlToken token;
  token.next = tagBegin + 1;
  while (scan.NextToken(token)) {
    if (!token.quoted) {
      const unsigned char c = scan.At(token.first);
      if (c == '/' || c == '>' || c == '?') {
        return;
      }
    }
    tokens.push_back(token);
  }
}

bool AttributeIndex::Find(const XmlScanner& scan, const char* name, int32_t* first,
                          int32_t* last) const {
  const size_t nameLength = std::strlen(name);
  const unsigned char initial = static_cast<unsigned char>(name[0]);
  // Token 0 is the tag name; quoted tokens and `=` are never names. Unquoted
  // tokens are never empty, so a different first character rules one out.
  for (size_t i = 1; i < tokens.size(); ++i) {
    const XmlToken& candidate = tokens[i];
    const unsigned char head = scan.At(candidate.first);
    if (candidate.quoted || head != initial || head == '=' ||
        !scan.TokenMatches(candidate, name, nameLength)) {
      continue;
    }
    // The first match decides: its value is the quoted token two later, or
    // there is none.
    if (i + 2 < tokens.size() && tokens[i + 2].quoted) {
      *first = tokens[i + 2].first;
      *last = tokens[i + 2].last;
      return true;
    }
    return false;
  }
  return false;
}

}  // namespace XmlInternal
