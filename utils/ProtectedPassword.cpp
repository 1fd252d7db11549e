#include "ProtectedPassword.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>

#include "RegistryAccess.h"
#include "ScopedHandle.h"
#include "SettingsLock.h"

namespace utils {

namespace {

// The plain value of earlier versions, and the encrypted one that replaces it.
const char kPlainPassword[] = "password";
const char kProtectedPassword[] = "PasswordProtected";

// Ties the blob to this application: another program running as the same
// user must at least know this to decrypt it with the user's key.
const char kEntropy[] = "Tovrin dial-up password 1";

// A blob for a 259-character password is a few hundred bytes; anything far
// larger is not ours.
constexpr DWORD kMaxBlob = 4096;

DATA_BLOB Entropy()
{
    DATA_BLOB entropy;
    entropy.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy));
    entropy.cbData = sizeof kEntropy - 1;
    return entropy;
}

// Frees what CryptUnprotectData returned, wiped first.
class PlainBlob {
public:
    PlainBlob() { blob.pbData = nullptr, blob.cbData = 0; }
    ~PlainBlob()
    {
        if (blob.pbData) {
            SecureZeroMemory(blob.pbData, blob.cbData);
            LocalFree(blob.pbData);
        }
    }
    PlainBlob(const PlainBlob&) = delete;
    PlainBlob& operator=(const PlainBlob&) = delete;
    DATA_BLOB blob;
};

bool ReadBlob(BYTE* data, DWORD* size)
{
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    return RegQueryValueExA(key.Get(), kProtectedPassword, nullptr, &type, data, size) == ERROR_SUCCESS &&
           type == REG_BINARY;
}

bool HasBlob()
{
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExA(key.Get(), kProtectedPassword, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool Decrypt(const BYTE* data, DWORD size, char* out)
{
    DATA_BLOB sealed;
    sealed.pbData = const_cast<BYTE*>(data);
    sealed.cbData = size;
    DATA_BLOB entropy = Entropy();
    PlainBlob plain;
    if (!CryptUnprotectData(&sealed, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &plain.blob))
        return false;
    // The same limit as every other text value: 259 characters, no zero
    // inside.
    if (plain.blob.cbData >= kRegistryTextBuffer || std::memchr(plain.blob.pbData, 0, plain.blob.cbData))
        return false;
    std::memcpy(out, plain.blob.pbData, plain.blob.cbData);
    out[plain.blob.cbData] = '\0';
    return true;
}

bool WriteEncrypted(const char* password)
{
    DATA_BLOB plain;
    plain.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(password));
    plain.cbData = static_cast<DWORD>(std::strlen(password));
    DATA_BLOB entropy = Entropy();
    DATA_BLOB sealed = {};
    if (!CryptProtectData(&plain, L"Tovrin", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed))
        return false;
    bool stored = false;
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, key.Receive(), nullptr) == ERROR_SUCCESS)
        stored = RegSetValueExA(key.Get(), kProtectedPassword, 0, REG_BINARY, sealed.pbData, sealed.cbData) ==
                 ERROR_SUCCESS;
    LocalFree(sealed.pbData);
    return stored;
}

} // namespace

void ReadPassword(char* out)
{
    out[0] = '\0';
    BYTE blob[kMaxBlob];
    DWORD size = sizeof blob;
    if (ReadBlob(blob, &size)) {
        if (!Decrypt(blob, size, out))
            out[0] = '\0';
        return;
    }
    // An encrypted value of another type or size is unreadable, not absent:
    // a plain value beside it is never taken over it.
    if (HasBlob())
        return;
    RegistryAccess registry;
    if (!registry.HasValue(HKEY_CURRENT_USER, kSettingsPath, kPlainPassword))
        return;
    // Taken over once, under the lock, so two processes reading at the same
    // moment do not both migrate.
    SettingsLockHold lock;
    char plain[kRegistryTextBuffer];
    registry.ReadString(HKEY_CURRENT_USER, kSettingsPath, kPlainPassword, plain);
    if (!HasBlob() && WriteEncrypted(plain))
        registry.DeleteValue(HKEY_CURRENT_USER, kSettingsPath, kPlainPassword);
    std::memcpy(out, plain, kRegistryTextBuffer);
    SecureZeroMemory(plain, sizeof plain);
}

void StorePassword(const char* password)
{
    if (WriteEncrypted(password))
        RegistryAccess().DeleteValue(HKEY_CURRENT_USER, kSettingsPath, kPlainPassword);
}

void ClearPassword()
{
    RegistryAccess registry;
    registry.DeleteValue(HKEY_CURRENT_USER, kSettingsPath, kProtectedPassword);
    registry.DeleteValue(HKEY_CURRENT_USER, kSettingsPath, kPlainPassword);
}

} // namespace utils
