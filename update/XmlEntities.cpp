#include "update/XmlEntities.h"

#include <cstring>

namespace XmlInternal {

namespace {

struct Entity {
    const char* name; // after the `&`, with its `;`
    int32_t length;
    char replacement;
};

// Tried in this order; the first that fits and matches wins.
const Entity kEntities[] = {
    {"lt;", 3, '<'}, {"amp;", 4, '&'}, {"gt;", 3, '>'}, {"apos;", 5, '\''}, {"quot;", 5, '"'},
};

// Fills a caller's buffer; false once it is full, which ends the decoding.
struct BufferSink {
    char* out;
    size_t room; // bytes left, not counting the terminator
    bool Append(const char* from, size_t count)
    {
        const size_t taken = count < room ? count : room;
        std::memcpy(out, from, taken);
        out += taken;
        room -= taken;
        return taken == count && room > 0;
    }
};

void Decode(const XmlScanner& scanner, const char* text, int32_t first, int32_t last, BufferSink& sink)
{
    const int32_t end = last + 1;
    int32_t pos = first;
    int32_t runStart = first; // characters copied in bulk up to the next `&`
    while (pos < end) {
        pos = scanner.FindBefore(pos, end, '&');
        if (pos >= end) {
            break;
        }
        if (!sink.Append(text + runStart, static_cast<size_t>(pos - runStart))) {
            return;
        }
        int32_t after = pos + 1;
        char replacement = '&';
        for (const Entity& e : kEntities) {
            if (pos + e.length <= last && std::memcmp(text + pos + 1, e.name, static_cast<size_t>(e.length)) == 0) {
                replacement = e.replacement;
                after = pos + 1 + e.length;
                break;
            }
        }
        if (!sink.Append(&replacement, 1)) {
            return;
        }
        pos = after;
        runStart = after;
    }
    // A lead byte in the last position may step one past `end`.
    if (runStart < end) {
        sink.Append(text + runStart, static_cast<size_t>(end - runStart));
    }
}

} // namespace

size_t DecodeText(const XmlScanner& scanner, const char* text, int32_t first, int32_t last, char* out, size_t size)
{
    BufferSink sink {out, size - 1};
    if (last >= first && sink.room > 0) {
        Decode(scanner, text, first, last, sink);
    }
    *sink.out = '\0';
    return size - 1 - sink.room;
}

} // namespace XmlInternal
