// ParseXML: the server document format. Portable; no Windows API.
#include <cstdint>
#include <cstring>

#include "update/ManifestReader.h"
#include "update/XmlDocument.h"

namespace Update {

namespace {

// Fields keep at most kMaxTextLength bytes, so reading more would be wasted.
typedef char TextBuffer[kMaxTextLength + 1];

// Longer than any tag name the format knows, so a cut name never matches one.
typedef char TagBuffer[16];

bool EqualsIgnoringAsciiCase(const char* text, const char* word)
{
    size_t i = 0;
    for (; text[i] && word[i]; ++i) {
        char a = text[i];
        char b = word[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return !text[i] && !word[i];
}

// True when text is plain decimal digits (leading zeros allowed) for a value
// of at most kMaxFileSize. No sign, no blanks, nothing after the digits.
bool IsPlainSize(const char* text)
{
    if (!text[0])
        return false;
    uint64_t total = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        total = total * 10 + static_cast<unsigned>(*c - '0');
        if (total > kMaxFileSize)
            return false;
    }
    return true;
}

// The lengths of the smaller forms are new attributes: only plain decimal
// digits with a value from 1 to 4294967295 offer a form, anything else leaves
// it out, so a client never fetches against a length it misread.
uint32_t ByteCount(const XmlDocument& document, const char* attribute)
{
    // Ten digits and one more to tell a longer text.
    char text[12];
    const size_t length = document.GetChildAttribute(attribute, text, sizeof text);
    if (length == 0 || length > 10)
        return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value <= 0xFFFFFFFFu ? static_cast<uint32_t>(value) : 0;
}

// The file at the document's child position.
File ReadFile(const XmlDocument& document)
{
    File file;
    TextBuffer text;
    document.GetChildAttribute("name", text, sizeof text);
    file.SetName(text);
    document.GetChildAttribute("url", text, sizeof text);
    file.SetUrl(text);
    // The version parse reads fewer bytes than the buffer holds.
    document.GetChildAttribute("version", text, sizeof text);
    file.SetVersion(text);
    // Every digit counts, so the size gets a buffer as long as any fetched
    // answer (2048 bytes); a fixed buffer, as no allocation may throw out of
    // the library.
    char size[2048] = "";
    document.GetChildAttribute("size", size, sizeof size);
    // The model's reading stays what its setter always gave; a size that is
    // not plain digits, or too large, keeps the file from being fetched
    // (in a keyless build "-1" would otherwise allow 4 GiB).
    file.SetSize(size);
    if (!IsPlainSize(size))
        file.MarkSizeUnusable();
    // One byte more than "yes" tells it from any longer value.
    char compressed[5];
    document.GetChildAttribute("compressed", compressed, sizeof compressed);
    if (EqualsIgnoringAsciiCase(compressed, "yes"))
        file.SetCompressed();
    // One byte more than 64 digits tells a longer value from a digest.
    char sha256[66];
    if (document.GetChildAttribute("sha256", sha256, sizeof sha256) > 0)
        file.SetSha256(sha256);
    file.SetGzSize(ByteCount(document, "gz"));
    const uint32_t patchSize = ByteCount(document, "patch");
    TextBuffer from;
    if (patchSize != 0 && document.GetChildAttribute("patch-from", from, sizeof from) > 0)
        file.SetPatch(VersionHandler::AsVersionHandler(from), patchSize);
    return file;
}

// Reads the entity at the child position; pushes it only if it has files.
void ReadEntity(XmlDocument& document, EntityStack& entities)
{
    if (!document.IntoElement())
        return;
    Entity entity;
    unsigned int fileCount = 0;
    TagBuffer tag;
    while (document.FindChildElement()) {
        document.GetChildTagName(tag, sizeof tag);
        if (std::strcmp(tag, "file") == 0) {
            entity.AddFile(ReadFile(document));
            ++fileCount;
        }
    }
    if (fileCount >= 1) {
        TextBuffer name;
        document.GetAttribute("name", name, sizeof name);
        entity.SetName(name);
        entities.Push(entity);
    }
    document.OutOfElement();
}

} // namespace

bool ParseXML(const char* text, PropertyStack& properties, EntityStack& entities)
{
    XmlDocument document;
    if (!document.Load(text) || !document.HasRoot())
        return false;
    // With the position at document level this finds the root and its first
    // child; a root without children is not a server document.
    if (!document.FindChildElement())
        return false;
    do {
        TagBuffer tag;
        document.GetChildTagName(tag, sizeof tag);
        if (std::strcmp(tag, "data-update") == 0) {
            Property property;
            TextBuffer field;
            document.GetChildAttribute("name", field, sizeof field);
            property.SetName(field);
            document.GetChildAttribute("value", field, sizeof field);
            property.SetValue(field);
            properties.Push(property);
        } else if (std::strcmp(tag, "entity") == 0) {
            ReadEntity(document, entities);
        }
    } while (document.FindChildElement());
    return true;
}

} // namespace Update
