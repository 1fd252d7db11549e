#pragma once
// The gzip form of an offered file: one gzip member whose content is the
// file.
#include "update/UnpackResult.h"

namespace Update {

// Inflates `gz`, which must be exactly one whole gzip member with nothing
// after it, into `sink`, never passing it more than `limit` bytes (WrongSize
// when the content is longer). `produced` gets the bytes passed on.
UnpackResult InflateGzipMember(const unsigned char* gz, size_t size, uint64_t limit, ByteSink& sink,
                               uint64_t& produced);

// Turns the downloaded gzip file into outPath, which must come out exactly
// expectedSize bytes long. On anything but Ok, outPath is removed. Paths are
// narrow and may be relative.
UnpackResult GunzipFile(const char* gzPath, uint64_t expectedSize, const char* outPath);

} // namespace Update
