#pragma once
// What turning a downloaded .gz or patch into the final file can come to.
#include <cstddef>
#include <cstdint>

namespace Update {

enum class UnpackResult {
    Ok,
    CannotRead,        // an input file is missing or cannot be read
    CannotWrite,       // the output file cannot be created or written
    TooLarge,          // an input or the result is over kMaxUnpackedSize
    BadGzip,           // not exactly one whole, intact gzip member
    WrongSize,         // the result would not be exactly the expected size
    BadMagic,          // the patch does not start with its magic
    BadControlLength,  // the control block is not whole triples
    BadBlockLengths,   // the blocks declared do not fill the patch exactly
    NegativeLength,    // a negative add or copy
    ReadOutsideOld,    // an add reads outside the old file
    ReadOutsideBlock,  // an add or copy reads past the diff or extra block
    WritePastNewSize,  // an add or copy writes past the new size
    NotUsedUp          // the new file, diff or extra block is left unfinished
};

// Our files are a few hundred kilobytes; anything larger is refused rather
// than held in memory.
const uint64_t kMaxUnpackedSize = 64u * 1024u * 1024u;

// Where unpacked bytes go, in order. False stops the unpacking.
class ByteSink {
public:
    virtual bool Write(const unsigned char* data, size_t size) = 0;

protected:
    ~ByteSink() = default;
};

} // namespace Update
