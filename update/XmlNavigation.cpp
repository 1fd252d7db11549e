// Navigation over the parsed records, and reading names and attribute values
// out of the document text on request.
#include "update/XmlDocument.h"

#include <cstring>

#include "update/XmlChars.h"
#include "update/XmlEntities.h"
#include "update/XmlScanner.h"

using XmlInternal::XmlScanner;
using XmlInternal::XmlToken;

int32_t XmlDocument::FindSibling(int32_t parentIndex, int32_t afterIndex, const char* name) const
{
    int32_t candidate = afterIndex != 0 ? records[afterIndex].nextSibling : records[parentIndex].firstChild;
    if (name == nullptr || name[0] == '\0') {
        return candidate;
    }
    const XmlScanner scan = Scanner();
    const size_t nameLength = std::strlen(name);
    while (candidate != 0) {
        XmlToken token;
        token.next = records[candidate].startTagBegin + 1;
        if (scan.NextToken(token) && scan.TokenMatches(token, name, nameLength)) {
            return candidate;
        }
        candidate = records[candidate].nextSibling;
    }
    return 0;
}

bool XmlDocument::FindElement(const char* name)
{
    if (records.empty()) {
        return false;
    }
    const int32_t found = FindSibling(parentPos, currentPos, name);
    if (found == 0) {
        return false;
    }
    currentPos = found;
    parentPos = records[found].parent;
    childPos = 0;
    nodeKind = 1;
    return true;
}

bool XmlDocument::FindChildElement(const char* name)
{
    if (records.empty()) {
        return false; // only if even the first records could not be allocated
    }
    if (currentPos == 0) {
        FindElement(nullptr); // step onto the root first; its outcome is not needed
    }
    const int32_t found = FindSibling(currentPos, childPos, name);
    if (found == 0) {
        return false;
    }
    childPos = found;
    currentPos = records[found].parent;
    parentPos = records[currentPos].parent;
    nodeKind = currentPos != 0 ? 1 : 0;
    return true;
}

bool XmlDocument::IntoElement()
{
    if (currentPos == 0 || nodeKind != 1) {
        return false;
    }
    parentPos = currentPos;
    currentPos = childPos;
    childPos = 0;
    nodeKind = currentPos != 0 ? 1 : 0;
    return true;
}

bool XmlDocument::OutOfElement()
{
    if (parentPos == 0) {
        return false;
    }
    childPos = currentPos;
    currentPos = parentPos;
    parentPos = records[parentPos].parent;
    nodeKind = 1;
    return true;
}

bool XmlDocument::TagToken(int32_t element, XmlToken* token) const
{
    if (element == 0) {
        return false;
    }
    const XmlScanner scan = Scanner();
    token->next = records[element].startTagBegin + 1;
    scan.NextToken(*token);
    return true;
}

size_t XmlDocument::TagNameInto(int32_t element, char* out, size_t size) const
{
    XmlToken token;
    if (out == nullptr || size == 0) {
        return 0;
    }
    size_t length = 0;
    if (TagToken(element, &token) && token.last >= token.first) {
        length = static_cast<size_t>(token.last - token.first + 1);
        if (length > size - 1) {
            length = size - 1;
        }
        std::memcpy(out, Text() + token.first, length);
    }
    out[length] = '\0';
    return length;
}

size_t XmlDocument::GetChildTagName(char* out, size_t size) const
{
    return TagNameInto(childPos, out, size);
}

// Walks the start tag's tokens. Only the form name, `=`, quoted value counts,
// and the first name that matches decides: when the second token after it is
// not quoted, the attribute is not found. The tag name is never an attribute.
bool XmlDocument::FindAttribute(int32_t element, const char* name, int32_t* first, int32_t* last) const
{
    const XmlScanner scan = Scanner();
    XmlToken token;
    token.next = records[element].startTagBegin + 1;
    int32_t matched = -1; // token number of the matching name
    for (int32_t number = 0; scan.NextToken(token); ++number) {
        if (matched >= 0 && number == matched + 2) {
            if (!token.quoted) {
                return false;
            }
            *first = token.first;
            *last = token.last;
            return true;
        }
        if (token.quoted) {
            continue;
        }
        const unsigned char c = scan.At(token.first);
        if (c == '/' || c == '>' || c == '?') {
            return false;
        }
        if (matched < 0 && number > 0 && c != '=' && scan.TokenMatches(token, name)) {
            matched = number;
        }
    }
    return false;
}

bool XmlDocument::AttributeSpan(int32_t element, const char* name, int32_t* first, int32_t* last) const
{
    return element != 0 && nodeKind == 1 && name != nullptr && FindAttribute(element, name, first, last);
}

size_t XmlDocument::AttributeInto(int32_t element, const char* name, char* out, size_t size) const
{
    int32_t first = 0;
    int32_t last = -1;
    if (out == nullptr || size == 0) {
        return 0;
    }
    if (!AttributeSpan(element, name, &first, &last)) {
        out[0] = '\0';
        return 0;
    }
    const XmlScanner scan = Scanner();
    return XmlInternal::DecodeText(scan, Text(), first, last, out, size);
}

size_t XmlDocument::GetAttribute(const char* name, char* out, size_t size) const
{
    return AttributeInto(currentPos, name, out, size);
}

size_t XmlDocument::GetChildAttribute(const char* name, char* out, size_t size) const
{
    return AttributeInto(childPos, name, out, size);
}
