#include "update/XmlAttributeIndex.h"

#include <cstring>

namespace XmlInternal {

void AttributeIndex::Build(const XmlScanner& scan, int32_t tagBegin) {
  candidates.clear();
  if (candidates.capacity() == 0) {
    candidates.reserve(8);  // one allocation covers a typical tag
  }
  XmlToken token;
  token.next = tagBegin + 1;
  int32_t number = -1;
  // Token numbers of the candidates, to pair each with the token two later.
  int32_t pending[2] = {-1, -1};
  size_t pendingIndex[2] = {0, 0};
  while (scan.NextToken(token)) {
    ++number;
    for (int i = 0; i < 2; ++i) {
      if (pending[i] >= 0 && number == pending[i] + 2) {
        if (token.quoted) {
          candidates[pendingIndex[i]].hasValue = true;
          candidates[pendingIndex[i]].value = token;
        }
        pending[i] = -1;
      }
    }
    if (token.quoted) {
      continue;
    }
    const unsigned char c = scan.At(token.first);
    if (c == '/' || c == '>' || c == '?') {
      return;  // the end of the start tag
    }
    // The tag name (token 0) and `=` are never attribute names.
    if (number >= 1 && c != '=') {
      const int slot = pending[0] < 0 ? 0 : 1;
      pending[slot] = number;
      pendingIndex[slot] = candidates.size();
      candidates.push_back(Candidate{token, false, XmlToken()});
    }
  }
}

bool AttributeIndex::Find(const XmlScanner& scan, const char* name, int32_t* first,
                          int32_t* last) const {
  const size_t nameLength = std::strlen(name);
  for (const Candidate& candidate : candidates) {
    if (scan.TokenMatches(candidate.name, name, nameLength)) {
      if (!candidate.hasValue) {
        return false;  // matched, but no quoted value where one belongs
      }
      *first = candidate.value.first;
      *last = candidate.value.last;
      return true;
    }
  }
  return false;
}

}  // namespace XmlInternal
