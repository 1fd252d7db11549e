#pragma once
// The update data model: what the manifest reader makes of a server document
// and what the download thread works through.
//
// Every text is held in a fixed field and keeps at most its first 64 bytes
// (longer texts are cut silently, possibly inside a double-byte character).
// Returned texts point into the object and live as long as it is unchanged.
#include <cstdint>

#include "update/PraxelApi.h"
#include "update/SimpleStack.h"
#include "update/VersionHandler.h"

namespace Update {

// Longest text any field of the model keeps, in bytes.
const unsigned int kMaxTextLength = 64;

// The largest file, or smaller form of one, these programs fetch: ours are a
// few hundred kilobytes, and the unpackers cap there too.
const uint32_t kMaxFileSize = 64u * 1024u * 1024u;

// A name/value pair from a server document.
class PRAXEL_API Property {
public:
    Property();
    Property(const Property& other);
    Property& operator=(const Property& other);

    void SetName(const char* text);
    void SetValue(const char* text);
    const char* GetName() const;
    const char* GetValue() const;

private:
    char name[kMaxTextLength + 1];
    char value[kMaxTextLength + 1];
};

// One downloadable file.
class PRAXEL_API File {
public:
    File();
    File(const File& other);
    File& operator=(const File& other);

    void SetName(const char* text);
    void SetUrl(const char* text);
    void SetVersion(const VersionHandler& newVersion);
    void SetVersion(const char* text);
    void SetSize(unsigned int bytes);
    // Read like atoi (leading blanks, optional sign, digits up to the first
    // non-digit; 0 if none), wrapped to 32 bits: "-1" gives 4294967295.
    void SetSize(const char* text);
    // The manifest reader found the size text not plain digits, or over
    // kMaxFileSize, so whatever SetSize(text) made of it is no length to
    // fetch against.
    void MarkSizeUnusable();
    // False after MarkSizeUnusable, or for a size over kMaxFileSize.
    bool HasUsableSize() const;
    // There is deliberately no way to clear the flag again.
    void SetCompressed();
    // The file's SHA-256 from a signed answer, as 64 hex digits; anything
    // else leaves the file without one.
    void SetSha256(const char* hex);
    // Length of the gzip form at url + ".gz"; 0: none offered.
    void SetGzSize(unsigned int bytes);
    // A patch of `bytes` bytes at url + ".from-V.patch" turning version
    // `from` into this file; 0 bytes: none offered.
    void SetPatch(const VersionHandler& from, unsigned int bytes);

    const char* GetName() const;
    const char* GetUrl() const;
    const VersionHandler& GetVersion() const;
    unsigned int GetSize() const;
    bool IsCompressed() const;
    bool HasSha256() const;
    // 32 bytes; meaningful only when HasSha256().
    const unsigned char* GetSha256() const;
    unsigned int GetGzSize() const;
    bool HasPatch() const;
    // Meaningful only when HasPatch().
    const VersionHandler& GetPatchFrom() const;
    unsigned int GetPatchSize() const;

private:
    char name[kMaxTextLength + 1];
    // Path-sized field of which only the first 64 bytes are ever used.
    char url[261];
    VersionHandler version;
    uint32_t size;
    bool compressed;
    bool hasSha256;
    unsigned char sha256[32];
    uint32_t gzSize;
    VersionHandler patchFrom;
    uint32_t patchSize;
    bool sizeUsable;
};

} // namespace Update

extern template class PRAXEL_API SimpleStack<Update::Property>;
extern template class PRAXEL_API SimpleStack<Update::File>;

namespace Update {

// A named group of files. Copying goes through operator=, which appends the
// other's files walked from the top, so a copy holds them in reverse order.
class PRAXEL_API Entity {
public:
    Entity();
    Entity(const Entity& other);
    // Takes over other's files in their order; other is left without files.
    // This is what lets EntityStack::Pop hand back an entity unreversed.
    Entity(Entity&& other);
    Entity& operator=(const Entity& other);
    ~Entity();

    void SetName(const char* text);
    const char* GetName() const;
    void AddFile(const File& file);
    const SimpleStack<File>& GetFileStack() const;

private:
    char name[kMaxTextLength + 1];
    SimpleStack<File> files;
};

} // namespace Update

extern template class PRAXEL_API SimpleStack<Update::Entity>;

namespace Update {

// The two stacks the programs own. Created and destroyed by the programs;
// only the library's own functions put items on them or take them off.
class PRAXEL_API PropertyStack : public SimpleStack<Property> {
public:
    PropertyStack();
    ~PropertyStack() override;
};

class PRAXEL_API EntityStack : public SimpleStack<Entity> {
public:
    EntityStack();
    ~EntityStack() override;
};

} // namespace Update
