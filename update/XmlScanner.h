#pragma once
// Character-wise scanning and tokenizing over the document text. A scanner is
// a cheap view: it refers to the text without owning it.
#include <cstdint>
#include <cstring>
#include <string>

#include "update/XmlChars.h"

namespace XmlInternal {

// The tokenizer's cursor. `first`/`last` are inclusive offsets of the token's
// characters (quotes excluded); `next` is where the following search starts.
struct XmlToken {
    int32_t first = 0;
    int32_t last = -1;
    int32_t next = 0;
    bool quoted = false;
};

class XmlScanner {
public:
    XmlScanner(const char* text, int32_t length, const LeadByteTable& leadBytes)
        : text(text), length(length), leadBytes(leadBytes)
    {
    }

    int32_t Length() const { return length; }
    unsigned char At(int32_t pos) const { return static_cast<unsigned char>(text[pos]); }

    // Offset of the character after the one at `pos`; a lead byte carries its
    // trail byte with it, except at the very end of the text.
    int32_t Step(int32_t pos) const { return (leadBytes.IsLead(At(pos)) && pos + 1 < length) ? pos + 2 : pos + 1; }

    // First single-byte character `c` at or after `from`; Length() if none.
    int32_t Find(int32_t from, char c) const { return FindBefore(from, length, c); }
    // The same within [from, limit); `limit` if none.
    int32_t FindBefore(int32_t from, int32_t limit, char c) const;
    // First occurrence of `pattern` (single-byte characters) at or after
    // `from`; -1 if none.
    int32_t FindText(int32_t from, const char* pattern) const;

    // Reads the token that starts at or after token.next. False at the end of
    // the text, with first, last and next all set to the end.
    bool NextToken(XmlToken& token) const;

    // The token equals the first L characters of `name` and name[L] ends it
    // (terminator, space, `=`, `/` or `[`).
    // With `nameLength` given, `name` may be a span of the document: the end of
    // the span counts as its terminator and nothing after it is read.
    bool TokenMatches(const XmlToken& token, const char* name) const;
    // The same with strlen(name) already known, for repeated comparisons.
    bool TokenMatches(const XmlToken& token, const char* name, size_t nameLength) const;

    // An owned copy of the token, for tests and tools; the library compares
    // and copies spans instead.
    std::string TokenText(const XmlToken& token) const
    {
        return token.last < token.first
            ? std::string()
            : std::string(text + token.first, static_cast<size_t>(token.last - token.first + 1));
    }

private:
    const char* text;
    int32_t length;
    const LeadByteTable& leadBytes;
};

// Inline: the scanning and tokenizing below are the parser's inner loops.
inline int32_t XmlScanner::FindBefore(int32_t from, int32_t limit, char c) const
{
    int32_t pos = from;
    while (pos < limit && text[pos] != c) {
        pos = Step(pos);
    }
    return pos < limit ? pos : limit;
}

inline bool XmlScanner::TokenMatches(const XmlToken& token, const char* name, size_t nameLength) const
{
    const size_t count = static_cast<size_t>(token.last - token.first + 1);
    if (count > nameLength) {
        return false;
    }
    const char* tokenText = text + token.first;
    for (size_t i = 0; i < count; ++i) {
        if (tokenText[i] != name[i]) {
            return false;
        }
    }
    const char after = count == nameLength ? '\0' : name[count];
    return after == '\0' || after == ' ' || after == '=' || after == '/' || after == '[';
}

inline bool XmlScanner::NextToken(XmlToken& token) const
{
    token.quoted = false;
    int32_t pos = token.next;
    while (pos < length && IsXmlSpace(At(pos))) {
        ++pos;
    }
    if (pos >= length) {
        token.first = token.last = token.next = length;
        return false;
    }
    const char c = text[pos];
    if (c == '"' || c == '\'') {
        token.quoted = true;
        token.first = pos + 1;
        const int32_t close = Find(pos + 1, c);
        token.last = close - 1;
        token.next = close < length ? close + 1 : length;
        return true;
    }
    token.first = pos;
    int32_t end = pos;
    while (end < length && !IsDelimiter(At(end))) {
        end = Step(end);
    }
    if (end == pos) {
        end = pos + 1; // a delimiter on its own is a token
    }
    // A lead byte in the last position steps one byte, so end never passes
    // the text's end.
    token.last = end - 1;
    token.next = end;
    return true;
}

} // namespace XmlInternal
