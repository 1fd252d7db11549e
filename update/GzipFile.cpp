#include "update/GzipFile.h"

#include <zlib.h>

#include "update/UnpackIo.h"

namespace Update {

namespace {

class Inflater {
public:
    Inflater()
    {
        // 16 + 15: a gzip wrapper only, with the largest window; zlib then
        // checks the header, the CRC and the length in the trailer.
        ready = inflateInit2(&stream, 16 + MAX_WBITS) == Z_OK;
    }
    ~Inflater()
    {
        if (ready)
            inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    z_stream stream = {};
    bool ready;
};

} // namespace

UnpackResult InflateGzipMember(const unsigned char* gz, size_t size, uint64_t limit, ByteSink& sink,
                               uint64_t& produced)
{
    produced = 0;
    if (size > kMaxUnpackedSize)
        return UnpackResult::TooLarge;
    Inflater inflater;
    // It fails only when memory runs out.
    if (!inflater.ready)
        return UnpackResult::TooLarge;
    z_stream& stream = inflater.stream;
    // zlib never writes through next_in.
    stream.next_in = const_cast<unsigned char*>(gz);
    stream.avail_in = static_cast<uInt>(size);

    unsigned char piece[16384];
    for (;;) {
        stream.next_out = piece;
        stream.avail_out = sizeof piece;
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return UnpackResult::BadGzip;
        const size_t got = sizeof piece - stream.avail_out;
        if (got > limit - produced)
            return UnpackResult::WrongSize;
        if (got && !sink.Write(piece, got))
            return UnpackResult::CannotWrite;
        produced += got;
        if (status == Z_STREAM_END)
            // A second member or any other trailing byte is refused.
            return stream.avail_in == 0 ? UnpackResult::Ok : UnpackResult::BadGzip;
        // No progress possible: the member is cut short.
        if (got == 0 && (stream.avail_in == 0 || status == Z_BUF_ERROR))
            return UnpackResult::BadGzip;
    }
}

UnpackResult GunzipFile(const char* gzPath, uint64_t expectedSize, const char* outPath)
{
    if (expectedSize > kMaxUnpackedSize)
        return UnpackResult::TooLarge;
    ByteBuffer gz;
    const UnpackResult read = ReadWholeFile(gzPath, kMaxUnpackedSize, gz);
    if (read != UnpackResult::Ok)
        return read;
    FileSink out(outPath, expectedSize);
    if (!out.IsOpen())
        return UnpackResult::CannotWrite;
    uint64_t produced = 0;
    const UnpackResult inflated = InflateGzipMember(gz.Data(), gz.Size(), expectedSize, out, produced);
    if (inflated != UnpackResult::Ok)
        return inflated;
    if (produced != expectedSize)
        return UnpackResult::WrongSize;
    return out.Finish() ? UnpackResult::Ok : UnpackResult::CannotWrite;
}

} // namespace Update
