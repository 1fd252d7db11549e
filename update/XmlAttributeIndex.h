#pragma once
// The attribute tokens of one start tag, gathered in one pass so that
// reading several attributes of the same element does not re-tokenize the
// tag once per attribute.
#include <cstdint>
#include <vector>

#include "update/XmlScanner.h"

namespace XmlInternal {

class AttributeIndex {
 public:
  // Gathers the start tag whose `<` is at `tagBegin`.
  void Build(const XmlScanner& scan, int32_t tagBegin);

  // The value of the first attribute name that matches `name`. Only the form
  // name, `=`, quoted value counts: a name whose second following token is
  // not quoted ends the search unfound, as does the end of the start tag.
  bool Find(const XmlScanner& scan, const char* name, int32_t* first, int32_t* last) const;

 private:
  // The start tag's tokens from the tag name up to, not including, the token
  // that ends it.
  std::vector<XmlToken> tokens;
};

}  // namespace XmlInternal
