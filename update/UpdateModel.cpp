#include "update/UpdateModel.h"
#include "update/SignedAnswer.h"
#include "update/WrappingDecimal.h"

#include <cstring>

namespace Update {

namespace {

// The text rule: keep at most the first 64 bytes, then a terminator. A null
// text reads as empty. The field must hold kMaxTextLength + 1 bytes.
void KeepText(char* field, const char* text)
{
    size_t length = 0;
    if (text) {
        while (length < kMaxTextLength && text[length])
            ++length;
        // memmove: SetName(GetName()) passes the field itself.
        std::memmove(field, text, length);
    }
    field[length] = '\0';
}

} // namespace

Property::Property()
{
    name[0] = '\0';
    value[0] = '\0';
}

Property::Property(const Property& other)
{
    KeepText(name, other.name);
    KeepText(value, other.value);
}

Property& Property::operator=(const Property& other)
{
    if (&other != this) {
        KeepText(name, other.name);
        KeepText(value, other.value);
    }
    return *this;
}

void Property::SetName(const char* text)
{
    KeepText(name, text);
}

void Property::SetValue(const char* text)
{
    KeepText(value, text);
}

const char* Property::GetName() const
{
    return name;
}

const char* Property::GetValue() const
{
    return value;
}

File::File() : size(0), compressed(false), hasSha256(false), gzSize(0), patchSize(0), sizeUsable(true)
{
    name[0] = '\0';
    url[0] = '\0';
    std::memset(sha256, 0, sizeof sha256);
}

File::File(const File& other)
    : version(other.version), size(other.size), compressed(other.compressed), hasSha256(other.hasSha256),
      gzSize(other.gzSize), patchFrom(other.patchFrom), patchSize(other.patchSize), sizeUsable(other.sizeUsable)
{
    KeepText(name, other.name);
    KeepText(url, other.url);
    std::memcpy(sha256, other.sha256, sizeof sha256);
}

File& File::operator=(const File& other)
{
    if (&other != this) {
        KeepText(name, other.name);
        KeepText(url, other.url);
        version = other.version;
        size = other.size;
        compressed = other.compressed;
        hasSha256 = other.hasSha256;
        std::memcpy(sha256, other.sha256, sizeof sha256);
        gzSize = other.gzSize;
        patchFrom = other.patchFrom;
        patchSize = other.patchSize;
        sizeUsable = other.sizeUsable;
    }
    return *this;
}

void File::SetName(const char* text)
{
    KeepText(name, text);
}

void File::SetUrl(const char* text)
{
    KeepText(url, text);
}

void File::SetVersion(const VersionHandler& newVersion)
{
    version.Set(newVersion.Major(), newVersion.Minor(), newVersion.Revision());
}

void File::SetVersion(const char* text)
{
    SetVersion(VersionHandler::AsVersionHandler(text));
}

void File::SetSize(unsigned int bytes)
{
    size = bytes;
}

void File::SetSize(const char* text)
{
    size = WrappingDecimal<uint32_t>(text);
}

void File::MarkSizeUnusable()
{
    sizeUsable = false;
}

bool File::HasUsableSize() const
{
    return sizeUsable && size <= kMaxFileSize;
}

void File::SetCompressed()
{
    compressed = true;
}

void File::SetSha256(const char* hex)
{
    hasSha256 = ParseDigestHex(hex, sha256);
}

void File::SetGzSize(unsigned int bytes)
{
    gzSize = bytes;
}

void File::SetPatch(const VersionHandler& from, unsigned int bytes)
{
    patchFrom = from;
    patchSize = bytes;
}

unsigned int File::GetGzSize() const
{
    return gzSize;
}

bool File::HasPatch() const
{
    return patchSize != 0;
}

const VersionHandler& File::GetPatchFrom() const
{
    return patchFrom;
}

unsigned int File::GetPatchSize() const
{
    return patchSize;
}

bool File::HasSha256() const
{
    return hasSha256;
}

const unsigned char* File::GetSha256() const
{
    return sha256;
}

const char* File::GetName() const
{
    return name;
}

const char* File::GetUrl() const
{
    return url;
}

const VersionHandler& File::GetVersion() const
{
    return version;
}

unsigned int File::GetSize() const
{
    return size;
}

bool File::IsCompressed() const
{
    return compressed;
}

Entity::Entity()
{
    name[0] = '\0';
}

Entity::Entity(const Entity& other)
{
    name[0] = '\0';
    *this = other;
}

Entity::Entity(Entity&& other)
{
    KeepText(name, other.name);
    files.Swap(other.files);
}

Entity& Entity::operator=(const Entity& other)
{
    if (&other == this)
        return *this;
    KeepText(name, other.name);
    // Appends, walking other's files from the top: the reversal is intended.
    files = other.files;
    return *this;
}

Entity::~Entity() = default;

void Entity::SetName(const char* text)
{
    KeepText(name, text);
}

const char* Entity::GetName() const
{
    return name;
}

void Entity::AddFile(const File& file)
{
    files.Push(file);
}

const SimpleStack<File>& Entity::GetFileStack() const
{
    return files;
}

PropertyStack::PropertyStack() = default;

// Out of line so the library exports them; the base destructor empties the
// stack.
PropertyStack::~PropertyStack() = default;

EntityStack::EntityStack() = default;

EntityStack::~EntityStack() = default;

} // namespace Update
