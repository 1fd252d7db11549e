#include "update/PatchApply.h"

#include <cstring>

#include "update/GzipFile.h"
#include "update/UnpackIo.h"

namespace Update {

namespace {

const char kMagic[8] = {'T', 'O', 'V', 'D', 'I', 'F', 'F', '1'};
const size_t kHeaderSize = 8 + 4 * 8;
const size_t kTripleSize = 3 * 8;

uint64_t ReadU64(const unsigned char* at)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

// Two's complement, without relying on the conversion's behaviour.
int64_t ReadI64(const unsigned char* at)
{
    const uint64_t bits = ReadU64(at);
    if (bits <= static_cast<uint64_t>(INT64_MAX))
        return static_cast<int64_t>(bits);
    return -static_cast<int64_t>(~bits) - 1;
}

// Collects output into pieces so the sink sees few, large writes.
class PieceWriter {
public:
    explicit PieceWriter(ByteSink& target) : sink(target) {}
    bool Put(unsigned char byte)
    {
        piece[used++] = byte;
        return used < sizeof piece || Flush();
    }
    bool Flush()
    {
        const bool ok = used == 0 || sink.Write(piece, used);
        used = 0;
        return ok;
    }

private:
    ByteSink& sink;
    unsigned char piece[16384];
    size_t used = 0;
};

} // namespace

UnpackResult ApplyPatchContent(const unsigned char* old, size_t oldSize, const unsigned char* content,
                               size_t contentSize, uint64_t expectedSize, ByteSink& sink)
{
    if (oldSize > kMaxUnpackedSize || expectedSize > kMaxUnpackedSize)
        return UnpackResult::TooLarge;
    if (contentSize < kHeaderSize || std::memcmp(content, kMagic, sizeof kMagic) != 0)
        return UnpackResult::BadMagic;
    const uint64_t newSize = ReadU64(content + 8);
    const uint64_t controlLength = ReadU64(content + 16);
    const uint64_t diffLength = ReadU64(content + 24);
    const uint64_t extraLength = ReadU64(content + 32);
    if (newSize != expectedSize)
        return UnpackResult::WrongSize;
    if (controlLength % kTripleSize != 0)
        return UnpackResult::BadControlLength;
    // Compared piece by piece so that no sum can wrap.
    const uint64_t blocks = contentSize - kHeaderSize;
    if (controlLength > blocks || diffLength > blocks - controlLength ||
        extraLength != blocks - controlLength - diffLength)
        return UnpackResult::BadBlockLengths;

    const unsigned char* control = content + kHeaderSize;
    const unsigned char* diff = control + controlLength;
    const unsigned char* extra = diff + diffLength;
    const int64_t oldLength = static_cast<int64_t>(oldSize);
    int64_t oldPos = 0;
    uint64_t newPos = 0;
    uint64_t diffPos = 0;
    uint64_t extraPos = 0;
    PieceWriter out(sink);

    for (uint64_t at = 0; at < controlLength; at += kTripleSize) {
        const int64_t add = ReadI64(control + at);
        const int64_t copy = ReadI64(control + at + 8);
        const int64_t seek = ReadI64(control + at + 16);
        if (add < 0 || copy < 0)
            return UnpackResult::NegativeLength;

        const uint64_t addCount = static_cast<uint64_t>(add);
        if (addCount > newSize - newPos)
            return UnpackResult::WritePastNewSize;
        if (addCount > diffLength - diffPos)
            return UnpackResult::ReadOutsideBlock;
        if (addCount > 0 && (oldPos < 0 || oldPos > oldLength || add > oldLength - oldPos))
            return UnpackResult::ReadOutsideOld;
        for (uint64_t i = 0; i < addCount; ++i) {
            if (!out.Put(static_cast<unsigned char>(old[oldPos + static_cast<int64_t>(i)] + diff[diffPos + i])))
                return UnpackResult::CannotWrite;
        }
        oldPos += add;
        newPos += addCount;
        diffPos += addCount;

        const uint64_t copyCount = static_cast<uint64_t>(copy);
        if (copyCount > newSize - newPos)
            return UnpackResult::WritePastNewSize;
        if (copyCount > extraLength - extraPos)
            return UnpackResult::ReadOutsideBlock;
        for (uint64_t i = 0; i < copyCount; ++i) {
            if (!out.Put(extra[extraPos + i]))
                return UnpackResult::CannotWrite;
        }
        newPos += copyCount;
        extraPos += copyCount;

        // A seek that would wrap can never lead back inside the old file.
        if (__builtin_add_overflow(oldPos, seek, &oldPos))
            return UnpackResult::ReadOutsideOld;
    }
    if (newPos != newSize || diffPos != diffLength || extraPos != extraLength)
        return UnpackResult::NotUsedUp;
    return out.Flush() ? UnpackResult::Ok : UnpackResult::CannotWrite;
}

UnpackResult ApplyPatchFile(const char* oldPath, const char* patchPath, uint64_t expectedSize,
                            const char* outPath)
{
    if (expectedSize > kMaxUnpackedSize)
        return UnpackResult::TooLarge;
    ByteBuffer old;
    UnpackResult result = ReadWholeFile(oldPath, kMaxUnpackedSize, old);
    if (result != UnpackResult::Ok)
        return result;
    ByteBuffer patch;
    result = ReadWholeFile(patchPath, kMaxUnpackedSize, patch);
    if (result != UnpackResult::Ok)
        return result;

    // The content holds the new file's bytes twice over at most (as diff and
    // extra) besides the control block; memory grows only as it inflates.
    MemorySink content;
    uint64_t produced = 0;
    result = InflateGzipMember(patch.Data(), patch.Size(), kHeaderSize + 3 * kMaxUnpackedSize, content, produced);
    if (result == UnpackResult::WrongSize)
        return UnpackResult::TooLarge;
    if (result != UnpackResult::Ok)
        return result;

    FileSink out(outPath, expectedSize);
    if (!out.IsOpen())
        return UnpackResult::CannotWrite;
    result = ApplyPatchContent(old.Data(), old.Size(), content.buffer.Data(), content.buffer.Size(), expectedSize, out);
    if (result != UnpackResult::Ok)
        return result;
    return out.Finish() ? UnpackResult::Ok : UnpackResult::CannotWrite;
}

} // namespace Update
