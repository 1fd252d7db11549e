// libFuzzer targets for the smaller forms of a file, built twice:
//   TOVRIN_FUZZ_gzip   the input is a .gz; its first two bytes choose the
//                      expected size.
//   TOVRIN_FUZZ_patch  the input is an inflated patch, applied to a fixed
//                      old file; the expected size is the patch's own.
// Either way the sink traps on any byte past the expected size, and a
// success must have delivered exactly that many.
#include <cstddef>
#include <cstdint>

#include "update/GzipFile.h"
#include "update/PatchApply.h"

namespace {

class BoundedSink : public Update::ByteSink {
public:
    explicit BoundedSink(uint64_t most) : limit(most) {}
    bool Write(const unsigned char* data, size_t size) override
    {
        if (size > limit - written)
            __builtin_trap();
        for (size_t i = 0; i < size; ++i)
            checksum += data[i];
        written += size;
        return true;
    }
    uint64_t limit;
    uint64_t written = 0;
    unsigned checksum = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
#if defined(TOVRIN_FUZZ_gzip)
    if (size < 2)
        return 0;
    const uint64_t expected = data[0] | (data[1] << 8);
    BoundedSink sink(expected);
    uint64_t produced = 0;
    const Update::UnpackResult result = Update::InflateGzipMember(data + 2, size - 2, expected, sink, produced);
    if (produced != sink.written || (result == Update::UnpackResult::Ok && produced > expected))
        __builtin_trap();
#else
    static unsigned char old[4096];
    for (size_t i = 0; i < sizeof old; ++i)
        old[i] = static_cast<unsigned char>(i * 7 + (i >> 8));
    // The new size the patch declares, when it has a header; capped so a
    // run stays quick.
    uint64_t expected = 0;
    if (size >= 16)
        for (int i = 7; i >= 0; --i)
            expected = (expected << 8) | data[8 + i];
    if (expected > (1u << 20))
        expected = 1u << 20;
    BoundedSink sink(expected);
    const Update::UnpackResult result = Update::ApplyPatchContent(old, sizeof old, data, size, expected, sink);
    if (result == Update::UnpackResult::Ok && sink.written != expected)
        __builtin_trap();
#endif
    return 0;
}
