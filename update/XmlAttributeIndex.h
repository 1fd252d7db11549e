#pragma once
// The attributes of one start tag, gathered in one pass so that reading
// several attributes of the same element does not re-tokenize the tag once
// per attribute.
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
  // A token that could name an attribute: unquoted, not the tag name, not
  // `=`. Its value is the quoted token two after it, if that is one.
  struct Candidate {
    int32_t nameFirst;
    int32_t nameLast;
    int32_t valueFirst;  // kNoValue if there is none
    int32_t valueLast;
    int32_t tokenNumber;  // counted from the tag name, 0
  };
  static const int32_t kNoValue = -1;

  static bool NameMatches(const XmlScanner& scan, const Candidate& candidate, const char* name);

  std::vector<Candidate> candidates;
};

}  // namespace XmlInternal
