#pragma once
// The provider's signature on an update answer, and the stamps it signs.
// Portable: the checks that need the platform's cryptography live in
// AnswerVerify.cpp.
//
// A signed answer is an ordinary answer whose root element carries
// serial="N", expires="YYYY-MM-DDTHH:MM:SSZ" and action="WORD" (the action
// word of the request it answers), whose file elements carry
// sha256="<64 hex digits>", and which is followed, after the root's end tag,
// by the comment
//   <!--tovrin-signature:ecdsa-p256-sha256:BASE64-->
// BASE64 holds r and s, 32 bytes each. The signature covers the answer from
// its first byte up to and including the '>' that closes the root element;
// nothing after that is ever read.
#include <cstddef>
#include <cstdint>

namespace Update {

const size_t kSignatureSize = 64;
const size_t kDigestSize = 32;

struct SignedPart {
    size_t length = 0;  // bytes signed, from the start of the answer
    unsigned char signature[kSignatureSize] = {};
};

// Finds the first signature comment. False when there is none, when it is
// malformed (unknown scheme, not exactly 64 bytes of base64, unterminated),
// or when what precedes it, blanks aside, does not end in '>'.
bool FindSignedPart(const char* answer, size_t length, SignedPart& part);

// "YYYY-MM-DDTHH:MM:SSZ" as seconds since 1970-01-01 UTC; false for any
// other form or an impossible date or time.
bool ParseUtcStamp(const char* text, int64_t& seconds);

// A plain decimal from 0 to 4294967295: 1 to 10 digits, nothing else.
bool ParseSerial(const char* text, uint32_t& serial);

// The largest action word a signed answer can be bound to.
const size_t kMaxActionLength = 30;

struct AnswerStamps {
    uint32_t serial = 0;
    int64_t expires = 0;  // seconds since 1970-01-01 UTC
};

// The root's stamps in signedText (the signed part alone, zero-terminated).
// False when serial or expires is missing or malformed, when a text does not
// fit its buffer (a cut text would read as another value), or when the
// root's action differs from requestAction, byte for byte: an answer signed
// for one request is refused for any other.
bool ReadAnswerStamps(const char* signedText, const char* requestAction, AnswerStamps& stamps);

// Exactly 64 hex digits, either case, into 32 bytes.
bool ParseDigestHex(const char* text, unsigned char digest[kDigestSize]);

} // namespace Update
