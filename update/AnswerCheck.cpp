#include "update/AnswerCheck.h"

#include <windows.h>

#include <cstring>
#include <ctime>

#include "UpdateKeyBlob.h"
#include "update/AnswerVerify.h"
#include "update/SignedAnswer.h"
#include "update/XmlDocument.h"
#include "utils/ScopedHandle.h"

namespace Update {

namespace {

const char kSettingsKey[] = "Software\\tovrin";
const char kSerialValue[] = "UpdateSerial";

// The highest serial accepted so far; 0 before the first.
uint32_t StoredSerial()
{
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key.Get(), kSerialValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return 0;
    return value;
}

bool StoreSerial(uint32_t serial)
{
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    DWORD value = serial;
    return RegSetValueExA(key.Get(), kSerialValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

// The root element's serial and expiry time; false when either is missing
// or malformed.
bool ReadStamps(const char* signedText, uint32_t& serial, int64_t& expires)
{
    XmlDocument document;
    if (!document.Load(signedText) || !document.FindElement())
        return false;
    char serialText[16];
    char expiresText[24];
    document.GetAttribute("serial", serialText, sizeof serialText);
    document.GetAttribute("expires", expiresText, sizeof expiresText);
    return ParseSerial(serialText, serial) && ParseUtcStamp(expiresText, expires);
}

} // namespace

bool AcceptSignedAnswer(char* answer)
{
    SignedPart part;
    if (!FindSignedPart(answer, std::strlen(answer), part))
        return false;
    unsigned char digest[kDigestSize];
    if (!Sha256(answer, part.length, digest) ||
        !VerifyDigestSignature(kUpdateKeyBlob, sizeof kUpdateKeyBlob, digest, part.signature))
        return false;

    // From here on only the signed bytes exist.
    const char kept = answer[part.length];
    answer[part.length] = '\0';
    uint32_t serial = 0;
    int64_t expires = 0;
    const uint32_t highest = StoredSerial();
    bool accepted = ReadStamps(answer, serial, expires) && static_cast<int64_t>(std::time(nullptr)) < expires &&
                    serial >= highest && (serial == highest || StoreSerial(serial));
    if (!accepted)
        answer[part.length] = kept;
    return accepted;
}

} // namespace Update
