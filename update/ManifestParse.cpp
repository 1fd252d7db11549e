// ParseXML: the server document format. Portable; no Windows API.
#include <string>

#include "update/ManifestReader.h"
#include "update/XmlDocument.h"

namespace Update {

namespace {

bool EqualsIgnoringAsciiCase(const std::string& text, const char* word)
{
    size_t i = 0;
    for (; i < text.size() && word[i]; ++i) {
        char a = text[i];
        char b = word[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return i == text.size() && !word[i];
}

// The file at the document's child position.
File ReadFile(const XmlDocument& document)
{
    File file;
    file.SetName(document.GetChildAttribute("name").c_str());
    file.SetUrl(document.GetChildAttribute("url").c_str());
    file.SetVersion(document.GetChildAttribute("version").c_str());
    file.SetSize(document.GetChildAttribute("size").c_str());
    if (EqualsIgnoringAsciiCase(document.GetChildAttribute("compressed"), "yes"))
        file.SetCompressed();
    return file;
}

// Reads the entity at the child position; pushes it only if it has files.
void ReadEntity(XmlDocument& document, EntityStack& entities)
{
    if (!document.IntoElement())
        return;
    Entity entity;
    unsigned int fileCount = 0;
    while (document.FindChildElement()) {
        if (document.GetChildTagName() == "file") {
            entity.AddFile(ReadFile(document));
            ++fileCount;
        }
    }
    if (fileCount >= 1) {
        entity.SetName(document.GetAttribute("name").c_str());
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
        const std::string tag = document.GetChildTagName();
        if (tag == "data-update") {
            Property property;
            property.SetName(document.GetChildAttribute("name").c_str());
            property.SetValue(document.GetChildAttribute("value").c_str());
            properties.Push(property);
        } else if (tag == "entity") {
            ReadEntity(document, entities);
        }
    } while (document.FindChildElement());
    return true;
}

} // namespace Update
