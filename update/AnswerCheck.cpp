#include "update/AnswerCheck.h"

#include <windows.h>

#include <cstring>
#include <ctime>

#include "UpdateKeyBlob.h"
#include "update/AnswerVerify.h"
#include "update/SignedAnswer.h"
#include "utils/ConnectionLog.h"
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
    if (!FindSignedPart(answer, std::strlen(answer), part)) {
        tovrinlog::Write("refresh: answer refused: not signed");
        return false;
    }
    unsigned char digest[kDigestSize];
    if (!Sha256(answer, part.length, digest) ||
        !VerifyDigestSignature(kUpdateKeyBlob, sizeof kUpdateKeyBlob, digest, part.signature)) {
        tovrinlog::Write("refresh: answer refused: the signature does not verify");
        return false;
    }

    // From here on only the signed bytes exist.
    const char kept = answer[part.length];
    answer[part.length] = '\0';
    AnswerStamps stamps;
    const uint32_t highest = StoredSerial();
    const uint32_t lowest = highest > kMinSerial ? highest : kMinSerial;
    const char* refusal = nullptr;
    if (!ReadAnswerStamps(answer, action, stamps))
        refusal = "its stamps are missing or name another request";
    else if (static_cast<int64_t>(std::time(nullptr)) >= stamps.expires)
        refusal = "expired";
    else if (stamps.serial < lowest)
        refusal = "its serial is older than one already taken";
    else if (stamps.serial != highest && !StoreSerial(stamps.serial))
        refusal = "its serial could not be stored";
    if (refusal) {
        tovrinlog::Write("refresh: signed answer refused: %s", refusal);
        answer[part.length] = kept;
        return false;
    }
    tovrinlog::Write("refresh: signed answer accepted, serial %lu", static_cast<unsigned long>(stamps.serial));
    return true;
}

} // namespace Update
