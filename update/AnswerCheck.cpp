#include "update/AnswerCheck.h"

#include <windows.h>

#include <cstring>
#include <ctime>

#include "UpdateKeyBlob.h"
#include "update/AnswerVerify.h"
#include "update/SignedAnswer.h"
#include "update/XmlDocument.h"
#include "utils/RegistryAccess.h"

namespace Update {

namespace {

const char kSerialValue[] = "UpdateSerial";

// The highest serial accepted so far; 0 before the first.
uint32_t StoredSerial()
{
    uint32_t value = 0;
    utils::RegistryAccess().ReadNumber(HKEY_CURRENT_USER, utils::kSettingsPath, kSerialValue, &value);
    return value;
}

// The registry's writes fail quietly: read back to know it holds.
bool StoreSerial(uint32_t serial)
{
    utils::RegistryAccess registry;
    registry.WriteNumber(HKEY_CURRENT_USER, utils::kSettingsPath, kSerialValue, serial);
    uint32_t stored = 0;
    return registry.ReadNumber(HKEY_CURRENT_USER, utils::kSettingsPath, kSerialValue, &stored) && stored == serial;
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
