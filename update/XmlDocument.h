#pragma once
// The update library's small, non-validating XML reader. It keeps one private
// copy of the document and, per element, a fixed-size record of offsets into
// it; names and values are cut out of the text only when asked for, into the
// caller's buffer. The library itself uses no string class: the owned copies
// below are inline, so only tests and tools that call them build them.
//
// Not exported from Praxel.dll: the library links it statically. One object
// reads one document on one thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace XmlInternal {
class LeadByteTable;
class XmlScanner;
struct XmlToken;
} // namespace XmlInternal

// Offsets of one element inside the document text. Index 0 in the link
// fields means none; record 0 is the document itself.
struct ElementRecord {
    int32_t startTagBegin;
    int32_t startTagEnd;
    // The `<` of the end tag (the `/` before `>` for an empty element). While
    // the element's content is parsed this is the scan cursor.
    int32_t endTagBegin;
    int32_t endTagEnd;
    int32_t parent;
    int32_t firstChild;
    int32_t nextSibling;
};

class XmlDocument {
public:
    // Nesting deeper than this fails the load instead of exhausting the stack.
    static const int32_t kMaxDepth = 256;

    // Reads text in the process's active ANSI code page.
    XmlDocument();
    // Reads text in the character set the table describes; the table must
    // outlive the object.
    explicit XmlDocument(const XmlInternal::LeadByteTable& leadBytes);
    virtual ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Replaces the document with a copy of `text` (null reads as empty) and
    // parses it. True if a root element was parsed; on false the tree is empty
    // and GetErrorText() may say why.
    bool Load(const char* text);
    bool HasRoot() const;

    // Cursor navigation. A null or empty name matches any element. Names are
    // compared case-sensitively. On false the position is unchanged.
    bool FindElement(const char* name = nullptr);
    bool FindChildElement(const char* name = nullptr);
    bool IntoElement();
    bool OutOfElement();

    // Results are owned copies; empty when there is no such element/attribute.
    std::string GetChildTagName() const { return OwnedCopy(childPos, nullptr, true); }
    std::string GetAttribute(const char* name) const { return OwnedCopy(currentPos, name, false); }
    std::string GetChildAttribute(const char* name) const { return OwnedCopy(childPos, name, false); }

    // The same texts copied into the caller's buffer of `size` bytes, cut to
    // at most size - 1 bytes and terminated, without allocating. The result is
    // the number of bytes copied, without the terminator: 0 also when there is
    // no such element/attribute. Nothing is written when `out` is null or
    // `size` is 0.
    size_t GetChildTagName(char* out, size_t size) const;
    size_t GetAttribute(const char* name, char* out, size_t size) const;
    size_t GetChildAttribute(const char* name, char* out, size_t size) const;

    // Why the most recent failed load stopped; kept until the next error, cut
    // to kErrorTextSize - 1 bytes.
    static constexpr size_t kErrorTextSize = 128;
    std::string GetErrorText() const { return errorText; }

    // Record bookkeeping, for tests and diagnostics.
    int32_t RecordCount() const { return static_cast<int32_t>(records.size()); }
    int32_t ElementCount() const { return nextFree - 1; }

private:
    int32_t ParseElement(int32_t parentIndex, int32_t depth);
    const char* Text() const { return text ? text.get() : ""; }
    XmlInternal::XmlScanner Scanner() const;
    bool CopyText(const char* source);
    void SetError(const char* message, const char* name = "", size_t nameLength = 0);
    // `nameFirst`/`nameLength`: the element's name as a span of the text.
    int32_t RaiseError(int32_t idx, const char* message, int32_t nameFirst = 0, size_t nameLength = 0);
    bool ReadEndTag(int32_t idx, int32_t nameFirst, size_t nameLength);
    int32_t SkipNode(int32_t lt) const;
    void ResetPosition();
    void GrowRecords(size_t count);
    int32_t FindSibling(int32_t parentIndex, int32_t afterIndex, const char* name) const;
    bool FindAttribute(int32_t element, const char* name, int32_t* first, int32_t* last) const;
    bool TagToken(int32_t element, XmlInternal::XmlToken* token) const;
    size_t TagNameInto(int32_t element, char* out, size_t size) const;
    bool AttributeSpan(int32_t element, const char* name, int32_t* first, int32_t* last) const;
    size_t AttributeInto(int32_t element, const char* name, char* out, size_t size) const;
    // A tag name or value is never longer than the document, so a buffer of
    // its length holds any of them whole.
    std::string OwnedCopy(int32_t element, const char* name, bool tagName) const
    {
        std::string out(textLength + 1, '\0');
        out.resize(tagName ? TagNameInto(element, &out[0], out.size())
                           : AttributeInto(element, name, &out[0], out.size()));
        return out;
    }

    const XmlInternal::LeadByteTable* leadBytes;
    // The document and its terminator; reused by the next Load when it fits.
    std::unique_ptr<char[]> text;
    size_t textLength = 0;
    size_t textCapacity = 0;
    char errorText[kErrorTextSize] = "";
    std::vector<ElementRecord> records;
    int32_t nextFree = 1;
    int32_t parentPos = 0;
    int32_t currentPos = 0;
    int32_t childPos = 0;
    int32_t nodeKind = 0;
};
