#pragma once
// Decoding of the five predefined entity references in attribute values.
#include <cstddef>
#include <cstdint>

#include "update/XmlScanner.h"

namespace XmlInternal {

// Copies characters first..last (inclusive) into `out`, replacing &lt; &amp;
// &gt; &apos; &quot; in one pass; any other `&` is copied as it stands. Keeps
// at most size - 1 bytes of the result and a terminator; size must be at
// least 1. Decoding stops once `out` is full. Returns the number of bytes
// kept.
size_t DecodeText(const XmlScanner& scanner, const char* text, int32_t first, int32_t last, char* out, size_t size);

} // namespace XmlInternal
