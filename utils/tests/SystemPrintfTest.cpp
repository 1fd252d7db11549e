// The release files format text with the system's msvcrt.dll (the header
// cmake/mingw-msvcrt-stdio.h is read first here, as in the release build):
// its snprintf must stay within the buffer, always terminate, report the
// whole length, and read every format the programs use as they mean it.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

static_assert(__USE_MINGW_ANSI_STDIO == 0, "the bundled printf family came back");

namespace {

TEST(SystemPrintf, StaysInTheBufferTerminatesAndReportsTheWholeLength) {
  struct Case {
    size_t size;
    const char* text;
    int result;
    const char* kept;
  };
  const Case cases[] = {
      {8, "abc", 3, "abc"},     {4, "abc", 3, "abc"},      {3, "abc", 3, "ab"},
      {4, "abcdef", 6, "abc"},  {1, "abcdef", 6, ""},
  };
  for (const Case& c : cases) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(std::snprintf(buffer, c.size, "%s", c.text), c.result) << c.size << " " << c.text;
    EXPECT_STREQ(buffer, c.kept) << c.size << " " << c.text;
    EXPECT_EQ(buffer[c.size], '#') << "wrote past " << c.size;
  }
  EXPECT_EQ(std::snprintf(nullptr, 0, "%u.%u.%u", 10u, 200u, 3000u), 11);
}

TEST(SystemPrintf, ReadsTheProgramsFormats) {
  char out[64];
  const auto format = [&out](const char* f, auto... values) {
    std::snprintf(out, sizeof out, f, values...);
    return std::string(out);
  };
  EXPECT_EQ(format("%s%i", "Number", 12), "Number12");
  EXPECT_EQ(format("%s%u", "Number", 4000000000u), "Number4000000000");
  EXPECT_EQ(format("Error %lu", 4294967295ul), "Error 4294967295");
  EXPECT_EQ(format("%02lu:%02lu:%02lu", 1ul, 2ul, 30ul), "01:02:30");
  EXPECT_EQ(format("%2.2i", 5), "05");
  EXPECT_EQ(format("%.*s \"%s\"", 3, "abcdef", "x"), "abc \"x\"");
  EXPECT_EQ(format("%.3s", "abcdef"), "abc");
  EXPECT_EQ(format("%" PRIu64, static_cast<uint64_t>(18446744073709551615ull)), "18446744073709551615");
  EXPECT_EQ(format("Range: bytes=%" PRIu64 "-", static_cast<uint64_t>(5000000000ull)), "Range: bytes=5000000000-");
}

}  // namespace
