// The signed-answer format: where the signed part ends, the signature's
// encoding, and the stamps a signed answer carries. Every malformed form
// must be refused, since a dialler with a key then ignores the answer.
#include "update/SignedAnswer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace Update;

namespace {

// 64 bytes 0..63 in base64.
const std::string kSignature =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==";
const std::string kRoot = "<?xml version=\"1.0\"?>\n<a serial=\"1\">\n</a>";

bool Find(const std::string& answer, SignedPart& part)
{
    return FindSignedPart(answer.c_str(), answer.size(), part);
}

} // namespace

TEST(SignedAnswerFormat, SignedPartEndsAtTheRootAndOnlyAWellFormedSignatureCounts)
{
    SignedPart part;
    const std::string comment = "<!--tovrin-signature:ecdsa-p256-sha256:" + kSignature + "-->";
    ASSERT_TRUE(Find(kRoot + "\r\n " + comment + "\n<more/>" + comment, part));
    EXPECT_EQ(part.length, kRoot.size());
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(part.signature[i], i);

    const std::string refused[] = {
        kRoot,                                                                 // unsigned
        kRoot + "<!--tovrin-signature:rsa-sha1:" + kSignature + "-->",         // another scheme
        kRoot + "<!--tovrin-signature:ecdsa-p256-sha256:" + kSignature,        // unterminated
        kRoot + "<!--tovrin-signature:ecdsa-p256-sha256:" + kSignature.substr(4) + "-->",  // too short
        kRoot + "<!--tovrin-signature:ecdsa-p256-sha256:" + kSignature + "AAAA-->",        // too long
        kRoot + "<!--tovrin-signature:ecdsa-p256-sha256:" + kSignature.substr(0, 85) + "x==-->",  // not canonical
        kRoot + "<!--tovrin-signature:ecdsa-p256-sha256:" + std::string(86, '*') + "==-->",  // not base64
        kRoot + "x" + comment,                                                 // not after a tag
        comment,                                                               // nothing signed
    };
    for (const std::string& answer : refused)
        EXPECT_FALSE(Find(answer, part)) << answer;
}

TEST(SignedAnswerFormat, StampsSerialsAndDigestsParseStrictly)
{
    int64_t seconds = -1;
    ASSERT_TRUE(ParseUtcStamp("1970-01-01T00:00:00Z", seconds));
    EXPECT_EQ(seconds, 0);
    ASSERT_TRUE(ParseUtcStamp("2000-03-01T00:00:00Z", seconds));
    EXPECT_EQ(seconds, 951868800);
    ASSERT_TRUE(ParseUtcStamp("2024-02-29T23:59:59Z", seconds));
    EXPECT_EQ(seconds, 1709251199);
    for (const char* bad : {"2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z", "2024-01-01T24:00:00Z",
                            "2024-01-01T00:00:00", "2024-01-01T00:00:00Z ", "2024-1-01T00:00:00Z", ""})
        EXPECT_FALSE(ParseUtcStamp(bad, seconds)) << bad;

    uint32_t serial = 0;
    ASSERT_TRUE(ParseSerial("4294967295", serial));
    EXPECT_EQ(serial, 4294967295u);
    for (const char* bad : {"4294967296", "", "12a", "-1", " 1", "99999999999999999999", "00000000042"})
        EXPECT_FALSE(ParseSerial(bad, serial)) << bad;

    unsigned char digest[kDigestSize];
    const std::string hex(64, 'f');
    ASSERT_TRUE(ParseDigestHex(("0A" + hex.substr(2)).c_str(), digest));
    EXPECT_EQ(digest[0], 0x0a);
    EXPECT_EQ(digest[31], 0xff);
    for (const std::string& bad : {hex.substr(1), hex + "0", hex.substr(1) + "g", std::string()})
        EXPECT_FALSE(ParseDigestHex(bad.c_str(), digest)) << bad;
}

TEST(SignedAnswerFormat, StampsAreBoundToTheRequestsActionAndNeverReadCut)
{
    const auto root = [](const std::string& attributes) {
        return "<?xml version=\"1.0\"?>\n<config " + attributes + "><data-update/></config>";
    };
    const std::string expires = "expires=\"2030-01-01T00:00:00Z\" ";
    AnswerStamps stamps;
    ASSERT_TRUE(ReadAnswerStamps(root(expires + "serial=\"0000000042\" action=\"update\"").c_str(), "update", stamps));
    EXPECT_EQ(stamps.serial, 42u);
    EXPECT_EQ(stamps.expires, 1893456000);

    const std::string refused[] = {
        root(expires + "serial=\"7\""),                                        // no action
        root(expires + "serial=\"7\" action=\"\""),                            // an empty one
        root(expires + "serial=\"7\" action=\"userstat\""),                    // another request's
        root(expires + "serial=\"7\" action=\"Update\""),                      // compared exactly
        root(expires + "serial=\"0000000000000070\" action=\"update\""),       // too long: cut, reads 7
    };
    for (const std::string& answer : refused)
        EXPECT_FALSE(ReadAnswerStamps(answer.c_str(), "update", stamps)) << answer;
    const std::string good = root(expires + "serial=\"7\" action=\"update\"");
    EXPECT_FALSE(ReadAnswerStamps(good.c_str(), "", stamps));
    EXPECT_FALSE(ReadAnswerStamps(good.c_str(), "userstat", stamps));
}
