// Loading: the element scan that fills the record array.
#include "update/XmlDocument.h"

#include <cstring>
#include <limits>
#include <new>

#include "update/XmlChars.h"
#include "update/XmlScanner.h"

using XmlInternal::LeadByteTable;
using XmlInternal::XmlScanner;
using XmlInternal::XmlToken;

namespace {

// Offsets are 32-bit; a longer text could not be addressed.
const size_t kMaxTextLength = static_cast<size_t>(std::numeric_limits<int32_t>::max()) - 1;

} // namespace

XmlDocument::XmlDocument() : XmlDocument(LeadByteTable::ActiveCodePage())
{
}

XmlDocument::XmlDocument(const LeadByteTable& leadBytes) : leadBytes(&leadBytes)
{
    Load(nullptr);
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::ResetPosition()
{
    parentPos = 0;
    currentPos = 0;
    childPos = 0;
    nodeKind = 0;
}

void XmlDocument::GrowRecords(size_t count)
{
    // Exactly `count` records, zero-filled: the growth steps are predictable.
    records.reserve(count);
    records.resize(count, ElementRecord {});
}

XmlScanner XmlDocument::Scanner() const
{
    return XmlScanner(Text(), static_cast<int32_t>(textLength), *leadBytes);
}

// False, with the message set and no text kept, when the document is too long
// or no room for it can be had.
bool XmlDocument::CopyText(const char* source)
{
    const size_t length = source ? std::strlen(source) : 0;
    textLength = 0;
    if (length > kMaxTextLength) {
        SetError("Document too large");
        return false;
    }
    if (length == 0) {
        return true; // an empty document needs no room: a new object allocates no text
    }
    if (length + 1 > textCapacity) {
        char* room = new (std::nothrow) char[length + 1];
        if (room == nullptr) {
            SetError("Out of memory");
            return false;
        }
        text.reset(room);
        textCapacity = length + 1;
    }
    std::memcpy(text.get(), source, length + 1);
    textLength = length;
    return true;
}

void XmlDocument::SetError(const char* message, const char* name, size_t nameLength)
{
    const size_t messageLength = std::strlen(message);
    const size_t kept = messageLength < kErrorTextSize - 1 ? messageLength : kErrorTextSize - 1;
    std::memcpy(errorText, message, kept);
    const size_t nameKept = nameLength < kErrorTextSize - 1 - kept ? nameLength : kErrorTextSize - 1 - kept;
    std::memcpy(errorText + kept, name, nameKept);
    errorText[kept + nameKept] = '\0';
}

bool XmlDocument::Load(const char* source)
{
    nextFree = 1;
    ResetPosition();
    try {
        if (CopyText(source)) {
            const size_t wanted = textLength / 64 + 8;
            if (records.size() < wanted) {
                GrowRecords(wanted);
            }
            if (textLength != 0) {
                records[0] = ElementRecord {};
                const int32_t root = ParseElement(0, 1);
                if (root > 0) {
                    records[0].firstChild = root;
                    ResetPosition();
                    return true;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        // Nothing may escape into the library's callers.
        SetError("Out of memory");
    }
    nextFree = 1;
    ResetPosition();
    if (!records.empty()) {
        records[0] = ElementRecord {};
    }
    return false;
}

bool XmlDocument::HasRoot() const
{
    return !records.empty() && records[0].firstChild != 0;
}

int32_t XmlDocument::RaiseError(int32_t idx, const char* message, int32_t nameFirst, size_t nameLength)
{
    SetError(message, Text() + nameFirst, nameLength);
    if (idx == nextFree - 1) {
        --nextFree;
    }
    return -1;
}

// Offset just after the <? or <! construct at `lt`, or -1 if it is cut off.
int32_t XmlDocument::SkipNode(int32_t lt) const
{
    const XmlScanner scan = Scanner();
    if (scan.Length() - (lt + 1) < 2) {
        return -1;
    }
    if (scan.At(lt + 1) == '?') {
        const int32_t end = scan.FindText(lt, "?>");
        return end < 0 ? -1 : end + 2;
    }
    if (scan.At(lt + 2) == '[') {
        const int32_t end = scan.FindText(lt, "]]>");
        return end < 0 ? -1 : end + 3;
    }
    if (scan.At(lt + 2) == '-') {
        const int32_t end = scan.FindText(lt, "-->");
        return end < 0 ? -1 : end + 3;
    }
    // Other declarations end at the first `>` outside brackets, so an internal
    // subset with its own `<!ENTITY ...>` lines is passed over whole.
    XmlToken token;
    token.next = lt;
    int32_t depth = 0;
    while (scan.NextToken(token)) {
        if (token.quoted) {
            continue;
        }
        const unsigned char c = scan.At(token.first);
        if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth == 0) {
            return token.first + 1;
        }
    }
    return -1;
}

int32_t XmlDocument::ParseElement(int32_t parentIndex, int32_t depth)
{
    const XmlScanner scan = Scanner();
    if (nextFree == RecordCount()) {
        GrowRecords(records.size() + records.size() / 2);
    }
    const int32_t idx = nextFree++;
    // Records may be reallocated by nested calls: always index, never keep
    // references across them.
    records[idx] = ElementRecord {};
    records[idx].startTagBegin = records[parentIndex].endTagBegin;
    records[idx].parent = parentIndex;

    // The element's name, a span of the text.
    int32_t nameFirst = 0;
    size_t nameLength = 0;
    int32_t scanFrom = records[parentIndex].endTagBegin;
    int32_t gt = 0;
    while (nameLength == 0) {
        const int32_t lt = scan.Find(scanFrom, '<');
        if (lt >= scan.Length()) {
            return RaiseError(idx, "Element tag not found");
        }
        records[idx].startTagBegin = lt;
        records[parentIndex].endTagBegin = lt;
        XmlToken token;
        token.next = lt + 1;
        if (!scan.NextToken(token)) {
            return RaiseError(idx, "Abrupt end within tag");
        }
        if (token.quoted) {
            return RaiseError(idx, "Tag starts with quote");
        }
        const unsigned char c = scan.At(token.first);
        if (c == '?' || c == '!') {
            // Only a `?` or `!` directly after the `<` opens a skipped construct;
            // "< ?x?>" is neither that nor an element, and must not be rescanned.
            const int32_t after = token.first == lt + 1 ? SkipNode(lt) : -1;
            if (after < 0) {
                return RaiseError(idx, "Invalid node");
            }
            scanFrom = after;
            continue;
        }
        if (c == '/') {
            --nextFree; // the parent's end tag: give the record back
            return 0;
        }
        nameFirst = token.first;
        nameLength = static_cast<size_t>(token.last - token.first + 1);
        gt = scan.Find(token.last + 1, '>');
        if (gt >= scan.Length()) {
            return RaiseError(idx, "End of tag not found");
        }
    }
    if (depth > kMaxDepth) {
        return RaiseError(idx, "Elements nested too deeply");
    }

    records[idx].startTagEnd = gt;
    if (scan.At(gt - 1) == '/') {
        records[idx].endTagBegin = gt - 1;
        records[idx].endTagEnd = gt;
        return idx;
    }

    records[idx].endTagBegin = gt + 1;
    int32_t previous = 0;
    int32_t child;
    while ((child = ParseElement(idx, depth + 1)) > 0) {
        if (previous == 0) {
            records[idx].firstChild = child;
        } else {
            records[previous].nextSibling = child;
        }
        previous = child;
        records[idx].endTagBegin = records[child].endTagEnd + 1;
    }
    if (child < 0) {
        return -1;
    }
    return ReadEndTag(idx, nameFirst, nameLength) ? idx : -1;
}

// The cursor of `idx` stands on the `<` of an end tag: check it names the
// element and find its `>`.
bool XmlDocument::ReadEndTag(int32_t idx, int32_t nameFirst, size_t nameLength)
{
    const XmlScanner scan = Scanner();
    XmlToken token;
    token.next = records[idx].endTagBegin + 1;
    int32_t count = 0;
    int32_t end = scan.Length();
    while (scan.NextToken(token)) {
        ++count;
        if (token.quoted) {
            continue;
        }
        if (count == 2 && !scan.TokenMatches(token, Text() + nameFirst, nameLength)) {
            RaiseError(idx, "End tag does not correspond to ", nameFirst, nameLength);
            return false;
        }
        if (scan.At(token.first) == '>') {
            end = token.first;
            break;
        }
    }
    if (end == scan.Length() || count < 2) {
        RaiseError(idx, "End tag not completed for element ", nameFirst, nameLength);
        return false;
    }
    records[idx].endTagEnd = end;
    return true;
}
