#pragma once
// Decoding of the five predefined entity references in attribute values.
#include <cstdint>
#include <string>

#include "update/XmlScanner.h"

namespace XmlInternal {

// Copies characters first..last (inclusive), replacing &lt; &amp; &gt;
// &apos; &quot; in one pass; any other `&` is copied as it stands.
std::string DecodeText(const XmlScanner& scanner, const char* text, int32_t first, int32_t last);

}  // namespace XmlInternal
