#include "update/XmlEntities.h"

#include <cstring>

namespace XmlInternal {

namespace {

struct Entity {
  const char* name;  // after the `&`, with its `;`
  int32_t length;
  char replacement;
};

// Tried in this order; the first that fits and matches wins.
const Entity kEntities[] = {
    {"lt;", 3, '<'}, {"amp;", 4, '&'}, {"gt;", 3, '>'}, {"apos;", 5, '\''}, {"quot;", 5, '"'},
};

}  // namespace

std::string DecodeText(const XmlScanner& scanner, const char* text, int32_t first, int32_t last) {
  if (last < first) {
    return std::string();
  }
  const int32_t end = last + 1;
  int32_t pos = scanner.FindBefore(first, end, '&');
  if (pos >= end) {
    return std::string(text + first, static_cast<size_t>(end - first));  // nothing to decode
  }
  std::string out;
  out.reserve(static_cast<size_t>(end - first));
  int32_t runStart = first;  // characters copied in bulk up to the next `&`
  while (pos < end) {
    pos = scanner.FindBefore(pos, end, '&');
    if (pos >= end) {
      break;
    }
    out.append(text + runStart, static_cast<size_t>(pos - runStart));
    int32_t after = pos + 1;
    char replacement = '&';
    for (const Entity& e : kEntities) {
      if (pos + e.length <= last &&
          std::memcmp(text + pos + 1, e.name, static_cast<size_t>(e.length)) == 0) {
        replacement = e.replacement;
        after = pos + 1 + e.length;
        break;
      }
    }
    out.push_back(replacement);
    pos = after;
    runStart = after;
  }
  // A lead byte in the last position may step one past `end`.
  if (runStart < end) {
    out.append(text + runStart, static_cast<size_t>(end - runStart));
  }
  return out;
}

}  // namespace XmlInternal
