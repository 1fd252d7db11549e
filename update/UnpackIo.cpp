#include "update/UnpackIo.h"

#include <cstdlib>
#include <cstring>

namespace Update {

ByteBuffer::~ByteBuffer()
{
    std::free(data);
}

bool ByteBuffer::Append(const unsigned char* bytes, size_t count)
{
    if (count > capacity - size) {
        if (size > SIZE_MAX / 2 || count > SIZE_MAX / 2 - size)
            return false;
        size_t grown = capacity ? capacity : 4096;
        while (grown < size + count)
            grown *= 2;
        void* moved = std::realloc(data, grown);
        if (!moved)
            return false;
        data = static_cast<unsigned char*>(moved);
        capacity = grown;
    }
    if (count)
        std::memcpy(data + size, bytes, count);
    size += count;
    return true;
}

namespace {

class InputFile {
public:
    explicit InputFile(const char* path) : file(std::fopen(path, "rb")) {}
    ~InputFile()
    {
        if (file)
            std::fclose(file);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    std::FILE* Get() const { return file; }

private:
    std::FILE* file;
};

} // namespace

UnpackResult ReadWholeFile(const char* path, uint64_t limit, ByteBuffer& out)
{
    InputFile file(path);
    if (!file.Get())
        return UnpackResult::CannotRead;
    unsigned char piece[16384];
    uint64_t total = 0;
    for (;;) {
        const size_t got = std::fread(piece, 1, sizeof piece, file.Get());
        if (got == 0)
            break;
        total += got;
        if (total > limit)
            return UnpackResult::TooLarge;
        if (!out.Append(piece, got))
            return UnpackResult::TooLarge;
    }
    return std::ferror(file.Get()) ? UnpackResult::CannotRead : UnpackResult::Ok;
}

FileSink::FileSink(const char* target, uint64_t most) : path(target), file(std::fopen(target, "wb")), limit(most) {}

FileSink::~FileSink()
{
    if (file) {
        std::fclose(file);
        std::remove(path);
    }
}

bool FileSink::Write(const unsigned char* data, size_t size)
{
    // The unpackers check lengths before writing; this is the last guard.
    if (!file || failed || size > limit - written) {
        failed = true;
        return false;
    }
    if (std::fwrite(data, 1, size, file) != size)
        failed = true;
    written += size;
    return !failed;
}

bool FileSink::Finish()
{
    if (!file)
        return false;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (failed || !closed) {
        std::remove(path);
        return false;
    }
    return true;
}

} // namespace Update
