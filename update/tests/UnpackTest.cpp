// The smaller forms of an offered file, through the file functions the
// download thread calls: narrow paths relative to the current directory.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "update/GzipFile.h"
#include "update/PatchApply.h"

using Update::UnpackResult;

namespace {

const char kOut[] = "unpack-test.out";

std::string Gzip(const std::string& content)
{
    z_stream stream = {};
    // 16 + 15: a gzip wrapper.
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, content.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Empty, with exists false, when there is no such file.
std::string ReadBytes(const std::string& path, bool* exists = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    if (exists)
        *exists = in.is_open();
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string U64(uint64_t value)
{
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    return bytes;
}

struct Triple {
    int64_t add, copy, seek;
};

struct Patch {
    uint64_t newSize;
    std::vector<Triple> control;
    std::string diff, extra;
    std::string magic = "TOVDIFF1";
    std::string controlTail = "";  // bytes appended to the control block
    int64_t diffLengthChange = 0;  // declared minus real diff length
};

std::string Content(const Patch& patch)
{
    std::string control;
    for (const Triple& t : patch.control)
        control += U64(static_cast<uint64_t>(t.add)) + U64(static_cast<uint64_t>(t.copy)) +
                   U64(static_cast<uint64_t>(t.seek));
    control += patch.controlTail;
    return patch.magic + U64(patch.newSize) + U64(control.size()) +
           U64(patch.diff.size() + static_cast<uint64_t>(patch.diffLengthChange)) + U64(patch.extra.size()) + control +
           patch.diff + patch.extra;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

} // namespace

TEST(GzipFile, OnlyOneWholeMemberOfExactlyTheExpectedSize)
{
    const std::string content(70000, 'x');
    const std::string gz = Gzip(content + "end");
    struct Case {
        const char* what;
        std::string gz;
        uint64_t expected;
        UnpackResult result;
    } cases[] = {
        {"good", gz, 70003, UnpackResult::Ok},
        {"trailing garbage", gz + "junk", 70003, UnpackResult::BadGzip},
        {"a second member", gz + Gzip("more"), 70003, UnpackResult::BadGzip},
        {"cut short", gz.substr(0, gz.size() - 4), 70003, UnpackResult::BadGzip},
        {"content longer than expected", gz, 70002, UnpackResult::WrongSize},
        {"content shorter than expected", gz, 70004, UnpackResult::WrongSize},
        {"not gzip", content, 70000, UnpackResult::BadGzip},
        {"over the cap", gz, Update::kMaxUnpackedSize + 1, UnpackResult::TooLarge},
    };
    for (const Case& c : cases) {
        WriteBytes("unpack-test.gz", c.gz);
        std::remove(kOut);
        EXPECT_EQ(Update::GunzipFile("unpack-test.gz", c.expected, kOut), c.result) << c.what;
        bool exists = false;
        const std::string out = ReadBytes(kOut, &exists);
        EXPECT_EQ(exists, c.result == UnpackResult::Ok) << c.what << ": a refused result is removed";
        if (exists) {
            EXPECT_EQ(out, content + "end") << c.what;
        }
    }
    EXPECT_EQ(Update::GunzipFile("no-such.gz", 1, kOut), UnpackResult::CannotRead);
}

TEST(PatchApply, EveryMalformedPatchIsRefusedAndLeavesNoFile)
{
    const std::string old = "abcdefgh";
    const int64_t kHuge = INT64_MAX;
    struct Case {
        const char* what;
        Patch patch;
        uint64_t expected;
        UnpackResult result;
        size_t cut;          // bytes cut off the gzip member
        std::string output = "";  // the new file, when applied
    } cases[] = {
        {"good: old plus diff, then extra", {6, {{4, 2, 0}}, Bytes({0, 1, 0, 0}), "XY"}, 6, UnpackResult::Ok, 0,
         "accdXY"},
        {"good, seeking back and forth", {5, {{2, 0, 3}, {1, 1, -6}, {1, 0, 0}}, Bytes({0, 0, 0, 0}), "Z"}, 5,
         UnpackResult::Ok, 0, "abfZa"},
        {"negative add", {0, {{-1, 0, 0}}, "", ""}, 0, UnpackResult::NegativeLength, 0},
        {"negative copy", {0, {{0, -1, 0}}, "", ""}, 0, UnpackResult::NegativeLength, 0},
        {"add past the old end", {4, {{0, 0, 6}, {4, 0, 0}}, std::string(4, '\0'), ""}, 4,
         UnpackResult::ReadOutsideOld, 0},
        {"add before the old start", {1, {{0, 0, -1}, {1, 0, 0}}, std::string(1, '\0'), ""}, 1,
         UnpackResult::ReadOutsideOld, 0},
        {"seek wrapping around", {1, {{0, 0, kHuge}, {0, 0, kHuge}, {1, 0, 0}}, std::string(1, '\0'), ""}, 1,
         UnpackResult::ReadOutsideOld, 0},
        {"add past the diff block", {4, {{4, 0, 0}}, std::string(3, '\0'), ""}, 4, UnpackResult::ReadOutsideBlock, 0},
        {"copy past the extra block", {3, {{0, 3, 0}}, "", "XY"}, 3, UnpackResult::ReadOutsideBlock, 0},
        {"add past the new size", {3, {{4, 0, 0}}, std::string(4, '\0'), ""}, 3, UnpackResult::WritePastNewSize, 0},
        {"copy past the new size", {1, {{0, 2, 0}}, "", "XY"}, 1, UnpackResult::WritePastNewSize, 0},
        {"new file unfinished", {8, {{4, 0, 0}}, std::string(4, '\0'), ""}, 8, UnpackResult::NotUsedUp, 0},
        {"diff block left over", {4, {{4, 0, 0}}, std::string(5, '\0'), ""}, 4, UnpackResult::NotUsedUp, 0},
        {"extra block left over", {2, {{0, 2, 0}}, "", "XYZ"}, 2, UnpackResult::NotUsedUp, 0},
        {"bad magic", {6, {{4, 2, 0}}, Bytes({0, 1, 0, 0}), "XY", "TOVDIFF2"}, 6, UnpackResult::BadMagic, 0},
        {"control not whole triples", {6, {{4, 2, 0}}, Bytes({0, 1, 0, 0}), "XY", "TOVDIFF1", "\x01"}, 6,
         UnpackResult::BadControlLength, 0},
        {"blocks longer than the patch", {6, {{4, 2, 0}}, Bytes({0, 1, 0, 0}), "XY", "TOVDIFF1", "", 1}, 6,
         UnpackResult::BadBlockLengths, 0},
        {"blocks shorter than the patch", {6, {{4, 2, 0}}, Bytes({0, 1, 0, 0}), "XY", "TOVDIFF1", "", -1}, 6,
         UnpackResult::BadBlockLengths, 0},
        {"new size is not the offered size", {6, {{4, 2, 0}}, Bytes({0, 1, 0, 0}), "XY"}, 7, UnpackResult::WrongSize,
         0},
        {"truncated gzip", {6, {{4, 2, 0}}, Bytes({0, 1, 0, 0}), "XY"}, 6, UnpackResult::BadGzip, 5},
    };
    WriteBytes("unpack-test.old", old);
    for (const Case& c : cases) {
        const std::string gz = Gzip(Content(c.patch));
        WriteBytes("unpack-test.patch", gz.substr(0, gz.size() - c.cut));
        std::remove(kOut);
        EXPECT_EQ(Update::ApplyPatchFile("unpack-test.old", "unpack-test.patch", c.expected, kOut), c.result)
            << c.what;
        bool exists = false;
        EXPECT_EQ(ReadBytes(kOut, &exists), c.output) << c.what;
        EXPECT_EQ(exists, c.result == UnpackResult::Ok) << c.what << ": a refused result is removed";
    }
}

// A patch made by Debian's bsdiff and re-encoded by the provider's publishing
// tool (data/patch, made from old.bin and new.bin).
TEST(PatchApply, ProviderToolPatchRebuildsTheNewFile)
{
    const std::string dir = UNPACK_FIXTURE_DIR;
    const std::string expected = ReadBytes(dir + "/new.bin");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Update::ApplyPatchFile((dir + "/old.bin").c_str(), (dir + "/new.bin.from-1.0.0.patch").c_str(),
                                     expected.size(), kOut),
              UnpackResult::Ok);
    EXPECT_EQ(ReadBytes(kOut), expected);
    WriteBytes("unpack-test.old", ReadBytes(dir + "/old.bin").substr(0, 2048));
    EXPECT_EQ(Update::ApplyPatchFile("unpack-test.old", (dir + "/new.bin.from-1.0.0.patch").c_str(), expected.size(),
                                     kOut),
              UnpackResult::ReadOutsideOld)
        << "against a shorter old file the patch reads past its end";
}
