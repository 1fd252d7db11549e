// libFuzzer target: loads arbitrary bytes and walks whatever tree results,
// reading every tag name and the attributes the manifest reader asks for.
#include <cstddef>
#include <cstdint>
#include <string>

#include "update/XmlChars.h"
#include "update/XmlDocument.h"

#ifdef TOVRIN_FUZZ_PARSEXML
#include "update/ManifestReader.h"
#include "update/SignedAnswer.h"
#endif

namespace {

const char* const kAttributeNames[] = {"name",       "value", "url",        "version", "size",
                                       "compressed", "gz",    "patch-from", "patch",   ""};

// Keeps the reads from being optimised away.
volatile size_t gSink;

// A bounded read must give the owned copy cut to the buffer.
void CheckBounded(const std::string& whole, const char* copy, size_t copied, size_t size)
{
    const size_t expected = whole.size() < size - 1 ? whole.size() : size - 1;
    if (copied != expected || whole.compare(0, expected, copy, copied) != 0 || copy[copied] != '\0') {
        __builtin_trap();
    }
}

void ReadAttributes(const XmlDocument& doc, bool child)
{
    for (const char* name : kAttributeNames) {
        const std::string whole = child ? doc.GetChildAttribute(name) : doc.GetAttribute(name);
        gSink += whole.size();
        for (size_t size : {size_t {1}, size_t {6}, size_t {65}}) {
            char copy[65];
            const size_t copied = child ? doc.GetChildAttribute(name, copy, size) : doc.GetAttribute(name, copy, size);
            CheckBounded(whole, copy, copied, size);
        }
    }
    gSink += (child ? doc.GetChildAttribute(nullptr) : doc.GetAttribute(nullptr)).size();
}

// Depth-first walk of the children of the current element, using every
// navigation operation on the way down and back up.
void WalkChildren(XmlDocument& doc, int depth)
{
    while (doc.FindChildElement()) {
        const std::string tag = doc.GetChildTagName();
        gSink += tag.size();
        char copy[8];
        CheckBounded(tag, copy, doc.GetChildTagName(copy, sizeof copy), sizeof copy);
        ReadAttributes(doc, true);
        if (depth < XmlDocument::kMaxDepth && doc.IntoElement()) {
            ReadAttributes(doc, false);
            WalkChildren(doc, depth + 1);
            if (!doc.OutOfElement()) {
                __builtin_trap(); // IntoElement succeeded, so there is a way back
            }
        }
    }
}

// Named searches over the root's children: each hit's name must agree with
// the one searched for (a `[` in the searched name ends the comparison).
void WalkByName(XmlDocument& doc)
{
    if (!doc.FindChildElement()) {
        return;
    }
    const std::string first = doc.GetChildTagName();
    while (doc.FindChildElement(first.c_str())) {
        const std::string hit = doc.GetChildTagName();
        if (hit.empty() || first.compare(0, hit.size(), hit) != 0) {
            __builtin_trap();
        }
    }
    doc.OutOfElement();
    doc.FindElement(first.c_str());
    doc.FindElement();
}

void LoadAndWalk(const std::string& text, const XmlInternal::LeadByteTable& leadBytes)
{
    XmlDocument doc(leadBytes);
    const bool loaded = doc.Load(text.c_str());
    if (loaded != doc.HasRoot()) {
        __builtin_trap();
    }
    if (loaded) {
        WalkChildren(doc, 1);
        // A second load of the same text on the same object resets the position.
        if (!doc.Load(text.c_str())) {
            __builtin_trap();
        }
        WalkByName(doc);
    } else if (doc.FindChildElement() || doc.FindElement() || !doc.GetChildTagName().empty()) {
        __builtin_trap(); // a failed load leaves no tree
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The document is a zero-terminated text: cut at the first zero byte.
    const std::string text(reinterpret_cast<const char*>(data), size);
    LoadAndWalk(text, XmlInternal::LeadByteTable::ActiveCodePage());
    // Double-byte stepping, as in a Japanese code page.
    static const XmlInternal::LeadByteTable kDoubleByte {{0x81, 0x9F}, {0xE0, 0xFC}};
    LoadAndWalk(text, kDoubleByte);
#ifdef TOVRIN_FUZZ_PARSEXML
    Update::PropertyStack properties;
    Update::EntityStack entities;
    Update::ParseXML(text.c_str(), properties, entities);
    // The signature search sees the raw answer: the signed part must lie
    // inside it and end with the root's '>'.
    Update::SignedPart part;
    if (Update::FindSignedPart(reinterpret_cast<const char*>(data), size, part) &&
        (part.length == 0 || part.length > size || data[part.length - 1] != '>')) {
        __builtin_trap();
    }
    int64_t seconds = 0;
    uint32_t serial = 0;
    Update::ParseUtcStamp(text.c_str(), seconds);
    Update::ParseSerial(text.c_str(), serial);
    // The stamps are read only from a bounded copy, and a bound action is
    // never empty.
    Update::AnswerStamps stamps;
    if (Update::ReadAnswerStamps(text.c_str(), "", stamps)) {
        __builtin_trap();
    }
    Update::ReadAnswerStamps(text.c_str(), "update", stamps);
#endif
    return 0;
}
