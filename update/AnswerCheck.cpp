#include "update/AnswerCheck.h"

#include <windows.h>

#include <cstring>
#include <ctime>

#include "UpdateKeyBlob.h"
#include "update/AnswerVerify.h"
#include "update/SignedAnswer.h"
#include "utils/RegistryAccess.h"

namespace Update {

namespace {

const char kSerialValue[] = "UpdateSerial";

#ifndef TOVRIN_UPDATE_MIN_SERIAL
#error "a keyed build needs TOVRIN_UPDATE_MIN_SERIAL (signing.cmake)"
#endif
// Answers from before the release never count, even on a profile that has
// no UpdateSerial yet.
const uint32_t kMinSerial = TOVRIN_UPDATE_MIN_SERIAL;

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

} // namespace

bool AcceptSignedAnswer(char* answer, const char* action)
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
    AnswerStamps stamps;
    const uint32_t highest = StoredSerial();
    const uint32_t lowest = highest > kMinSerial ? highest : kMinSerial;
    bool accepted = ReadAnswerStamps(answer, action, stamps) &&
                    static_cast<int64_t>(std::time(nullptr)) < stamps.expires && stamps.serial >= lowest &&
                    (stamps.serial == highest || StoreSerial(stamps.serial));
    if (!accepted)
        answer[part.length] = kept;
    return accepted;
}

} // namespace Update
