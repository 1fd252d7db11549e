#include "update/XmlAttributeIndex.h"

namespace XmlInternal {

void AttributeIndex::Build(const XmlScanner& scan, int32_t tagBegin) {
  candidates.clear();
  if (candidates.capacity() == 0) {
    candidates.reserve(16);  // one allocation covers a typical tag
  }
  XmlToken token;
  token.next = tagBegin + 1;
  for (int32_t number = 0; scan.NextToken(token); ++number) {
    if (!token.quoted) {
      const unsigned char c = scan.At(token.first);
      if (c == '/' || c == '>' || c == '?') {
        return;
      }
      if (number > 0 && c != '=') {
        // Field by field: a whole-struct copy from the stack stalls on
        // store forwarding in this loop.
        candidates.emplace_back();
        Candidate& added = candidates.back();
        added.nameFirst = token.first;
        added.nameLast = token.last;
        added.valueFirst = kNoValue;
        added.valueLast = kNoValue;
        added.tokenNumber = number;
      }
      continue;
    }
    // Candidates are in token order and at most one token lies between the
    // one two back and this one, so it is one of the last two gathered.
    const size_t count = candidates.size();
    for (size_t back = 1; back <= 2 && back <= count; ++back) {
      Candidate& owner = candidates[count - back];
      if (owner.tokenNumber == number - 2) {
        owner.valueFirst = token.first;
        owner.valueLast = token.last;
        break;
      }
    }
  }
}

// TokenMatches without measuring `name` first: a token holds no zero byte, so
// the comparison stops at the end of `name` by itself.
inline bool AttributeIndex::NameMatches(const XmlScanner& scan, const Candidate& candidate,
                                        const char* name) {
  const int32_t count = candidate.nameLast - candidate.nameFirst + 1;
  for (int32_t i = 0; i < count; ++i) {
    if (static_cast<unsigned char>(name[i]) != scan.At(candidate.nameFirst + i)) {
      return false;
    }
  }
  const char after = name[count];
  return after == '\0' || after == ' ' || after == '=' || after == '/' || after == '[';
}

bool AttributeIndex::Find(const XmlScanner& scan, const char* name, int32_t* first,
                          int32_t* last) const {
  const unsigned char initial = static_cast<unsigned char>(name[0]);
  // Candidates are never empty, so a different first character rules one out.
  for (const Candidate& candidate : candidates) {
    if (scan.At(candidate.nameFirst) != initial || !NameMatches(scan, candidate, name)) {
      continue;
    }
    // The first match decides.
    if (candidate.valueFirst == kNoValue) {
      return false;
    }
    *first = candidate.valueFirst;
    *last = candidate.valueLast;
    return true;
  }
  return false;
}

}  // namespace XmlInternal
