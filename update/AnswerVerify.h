#pragma once
// SHA-256 and ECDSA P-256 through the platform's cryptography (bcrypt.dll).
// The file digest checks every offered sha256; signatures only matter in a
// library built with the provider's update key.
#include <cstddef>

#include "update/SignedAnswer.h"

namespace Update {

bool Sha256(const void* data, size_t size, unsigned char digest[kDigestSize]);

// The digest of a whole file, read in pieces; false when it cannot be read.
bool FileSha256(const char* path, unsigned char digest[kDigestSize]);

// keyBlob: a BCRYPT_ECCPUBLIC_BLOB for P-256 (72 bytes); signature: r and s.
bool VerifyDigestSignature(const unsigned char* keyBlob, size_t keySize, const unsigned char digest[kDigestSize],
                           const unsigned char signature[kSignatureSize]);

} // namespace Update
