#pragma once
// File reading and writing for the unpackers: narrow paths relative to the
// installation directory, as the download thread names its files.
#include <cstdio>

#include "update/UnpackResult.h"

namespace Update {

// Owns a malloc'd block; never throws (no exception may leave the library).
class ByteBuffer {
public:
    ByteBuffer() = default;
    ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // False when memory runs out; the content so far stays.
    bool Append(const unsigned char* data, size_t size);
    const unsigned char* Data() const { return data; }
    size_t Size() const { return size; }

private:
    unsigned char* data = nullptr;
    size_t size = 0;
    size_t capacity = 0;
};

// A ByteSink collecting into memory.
class MemorySink : public ByteSink {
public:
    bool Write(const unsigned char* bytes, size_t count) override { return buffer.Append(bytes, count); }
    ByteBuffer buffer;
};

// The whole file; TooLarge over `limit` bytes, CannotRead otherwise.
UnpackResult ReadWholeFile(const char* path, uint64_t limit, ByteBuffer& out);

// Writes a new file of at most `limit` bytes and removes it again unless
// Finish() succeeds, so a refused result leaves nothing behind.
class FileSink : public ByteSink {
public:
    FileSink(const char* path, uint64_t limit);
    ~FileSink();
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool IsOpen() const { return file != nullptr; }
    bool Write(const unsigned char* data, size_t size) override;
    // Closes the file, keeping it when every write and the close succeeded.
    bool Finish();

private:
    const char* path;
    std::FILE* file;
    uint64_t limit;
    uint64_t written = 0;
    bool failed = false;
};

} // namespace Update
