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
  // Token 0 is the tag name; quoted tokens and `=` are never names.
  for (size_t i = 1; i < tokens.size(); ++i) {
    const XmlToken& candidate = tokens[i];
    if (candidate.quoted || scan.At(candidate.first) == '=' ||
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
