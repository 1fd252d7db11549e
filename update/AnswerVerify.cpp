#include "update/AnswerVerify.h"

#include <windows.h>

#include <bcrypt.h>

#include "utils/ScopedHandle.h"

namespace Update {

namespace {

const NTSTATUS kStatusSuccess = 0;

bool Succeeded(NTSTATUS status)
{
    return status >= 0;
}

// One provider handle per use: the checks are rare (one answer per
// connection), and nothing is left open between them.
class Algorithm {
public:
    explicit Algorithm(const wchar_t* name)
    {
        if (!Succeeded(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0)))
            handle = nullptr;
    }
    ~Algorithm()
    {
        if (handle)
            BCryptCloseAlgorithmProvider(handle, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE Get() const { return handle; }

private:
    BCRYPT_ALG_HANDLE handle = nullptr;
};

// A hash object fed in pieces; the form every version of the platform has.
class Hash {
public:
    explicit Hash(const Algorithm& algorithm)
    {
        if (!algorithm.Get() || !Succeeded(BCryptCreateHash(algorithm.Get(), &handle, nullptr, 0, nullptr, 0, 0)))
            handle = nullptr;
    }
    ~Hash()
    {
        if (handle)
            BCryptDestroyHash(handle);
    }
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;

    bool Add(const void* data, ULONG size)
    {
        return handle && Succeeded(BCryptHashData(handle, static_cast<PUCHAR>(const_cast<void*>(data)), size, 0));
    }
    bool Finish(unsigned char digest[kDigestSize])
    {
        return handle && Succeeded(BCryptFinishHash(handle, digest, kDigestSize, 0));
    }

private:
    BCRYPT_HASH_HANDLE handle = nullptr;
};

// BCryptHash, the one-call form, came with Windows 10; the programs still
// start on older versions, so it is looked up rather than imported.
typedef NTSTATUS(WINAPI* OneCallHash)(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, PUCHAR, ULONG, PUCHAR, ULONG);

OneCallHash FindOneCallHash()
{
    HMODULE bcrypt = GetModuleHandleA("bcrypt.dll");
    return bcrypt ? reinterpret_cast<OneCallHash>(reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptHash")))
                  : nullptr;
}

} // namespace

bool Sha256(const void* data, size_t size, unsigned char digest[kDigestSize])
{
    Algorithm sha256(BCRYPT_SHA256_ALGORITHM);
    if (!sha256.Get() || size > MAXDWORD)
        return false;
    if (OneCallHash hash = FindOneCallHash())
        return Succeeded(hash(sha256.Get(), nullptr, 0, static_cast<PUCHAR>(const_cast<void*>(data)),
                              static_cast<ULONG>(size), digest, kDigestSize));
    Hash hash(sha256);
    return hash.Add(data, static_cast<ULONG>(size)) && hash.Finish(digest);
}

bool FileSha256(const char* path, unsigned char digest[kDigestSize])
{
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    Algorithm sha256(BCRYPT_SHA256_ALGORITHM);
    Hash hash(sha256);
    if (!file)
        return false;
    static const DWORD kPiece = 16384;
    unsigned char piece[kPiece];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), piece, kPiece, &got, nullptr))
            return false;
        if (got == 0)
            return hash.Finish(digest);
        if (!hash.Add(piece, got))
            return false;
    }
}

bool VerifyDigestSignature(const unsigned char* keyBlob, size_t keySize, const unsigned char digest[kDigestSize],
                           const unsigned char signature[kSignatureSize])
{
    Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!ecdsa.Get() || keySize > MAXDWORD)
        return false;
    BCRYPT_KEY_HANDLE key = nullptr;
    if (!Succeeded(BCryptImportKeyPair(ecdsa.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key,
                                       const_cast<PUCHAR>(keyBlob), static_cast<ULONG>(keySize), 0)))
        return false;
    NTSTATUS verified = BCryptVerifySignature(key, nullptr, const_cast<PUCHAR>(digest), kDigestSize,
                                              const_cast<PUCHAR>(signature), kSignatureSize, 0);
    BCryptDestroyKey(key);
    // Only plain success is a good signature: any other status, even one
    // that is not an error, is not.
    return verified == kStatusSuccess;
}

} // namespace Update
