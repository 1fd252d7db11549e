#include "update/SignedAnswer.h"

#include <cstring>

#include "update/XmlDocument.h"

namespace Update {

namespace {

const char kSignatureOpen[] = "<!--tovrin-signature:";
const char kScheme[] = "ecdsa-p256-sha256:";
const char kCommentClose[] = "-->";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// 64 bytes are 86 base64 characters and two of padding.
bool DecodeSignature(const char* text, size_t length, unsigned char out[kSignatureSize])
{
    if (length != 88 || text[86] != '=' || text[87] != '=')
        return false;
    uint32_t bits = 0;
    int held = 0;
    size_t written = 0;
    for (size_t i = 0; i < 86; ++i) {
        int value = Base64Value(text[i]);
        if (value < 0)
            return false;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            if (written == kSignatureSize)
                return false;
            out[written++] = static_cast<unsigned char>(bits >> held);
        }
    }
    // The four bits left over must be zero in a canonical encoding.
    return written == kSignatureSize && (bits & ((1u << held) - 1)) == 0;
}

const char* FindText(const char* text, size_t length, const char* wanted)
{
    size_t size = std::strlen(wanted);
    for (size_t i = 0; i + size <= length; ++i) {
        if (std::memcmp(text + i, wanted, size) == 0)
            return text + i;
    }
    return nullptr;
}

bool ReadDigits(const char*& text, int count, int& value)
{
    value = 0;
    for (int i = 0; i < count; ++i, ++text) {
        if (*text < '0' || *text > '9')
            return false;
        value = value * 10 + (*text - '0');
    }
    return true;
}

bool Expect(const char*& text, char c)
{
    return *text++ == c;
}

// Days from 1970-01-01 to the date, in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool FindSignedPart(const char* answer, size_t length, SignedPart& part)
{
    if (!answer)
        return false;
    const char* open = FindText(answer, length, kSignatureOpen);
    if (!open)
        return false;
    const char* scheme = open + std::strlen(kSignatureOpen);
    const char* end = answer + length;
    size_t schemeSize = std::strlen(kScheme);
    if (static_cast<size_t>(end - scheme) < schemeSize || std::memcmp(scheme, kScheme, schemeSize) != 0)
        return false;
    const char* encoded = scheme + schemeSize;
    const char* close = FindText(encoded, static_cast<size_t>(end - encoded), kCommentClose);
    if (!close || !DecodeSignature(encoded, static_cast<size_t>(close - encoded), part.signature))
        return false;

    size_t signedLength = static_cast<size_t>(open - answer);
    while (signedLength > 0 && IsBlank(answer[signedLength - 1]))
        --signedLength;
    if (signedLength == 0 || answer[signedLength - 1] != '>')
        return false;
    part.length = signedLength;
    return true;
}

bool ParseUtcStamp(const char* text, int64_t& seconds)
{
    if (!text)
        return false;
    int year, month, day, hour, minute, second;
    if (!ReadDigits(text, 4, year) || !Expect(text, '-') || !ReadDigits(text, 2, month) || !Expect(text, '-') ||
        !ReadDigits(text, 2, day) || !Expect(text, 'T') || !ReadDigits(text, 2, hour) || !Expect(text, ':') ||
        !ReadDigits(text, 2, minute) || !Expect(text, ':') || !ReadDigits(text, 2, second) || !Expect(text, 'Z') ||
        *text != '\0')
        return false;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    seconds = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
              minute * 60 + second;
    return true;
}

bool ParseSerial(const char* text, uint32_t& serial)
{
    if (!text || !*text)
        return false;
    uint64_t value = 0;
    for (size_t digits = 0; *text; ++text) {
        if (*text < '0' || *text > '9' || ++digits > 10)
            return false;
        value = value * 10 + static_cast<uint64_t>(*text - '0');
        if (value > 0xFFFFFFFFull)
            return false;
    }
    serial = static_cast<uint32_t>(value);
    return true;
}

bool ReadAnswerStamps(const char* signedText, const char* requestAction, AnswerStamps& stamps)
{
    if (!signedText || !requestAction || !*requestAction || std::strlen(requestAction) > kMaxActionLength)
        return false;
    XmlDocument document;
    if (!document.Load(signedText) || !document.FindElement())
        return false;
    // One byte more than the longest valid text and its terminator: a text
    // that fills the buffer may have been cut, and is refused.
    char serialText[12];
    char expiresText[22];
    char actionText[kMaxActionLength + 2];
    const size_t serialLength = document.GetAttribute("serial", serialText, sizeof serialText);
    const size_t expiresLength = document.GetAttribute("expires", expiresText, sizeof expiresText);
    const size_t actionLength = document.GetAttribute("action", actionText, sizeof actionText);
    if (serialLength + 1 >= sizeof serialText || expiresLength + 1 >= sizeof expiresText ||
        actionLength + 1 >= sizeof actionText)
        return false;
    return std::strcmp(actionText, requestAction) == 0 && ParseSerial(serialText, stamps.serial) &&
           ParseUtcStamp(expiresText, stamps.expires);
}

bool ParseDigestHex(const char* text, unsigned char digest[kDigestSize])
{
    if (!text)
        return false;
    for (size_t i = 0; i < kDigestSize; ++i) {
        int high = HexValue(text[2 * i]);
        int low = high < 0 ? -1 : HexValue(text[2 * i + 1]);
        if (low < 0)
            return false;
        digest[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return text[2 * kDigestSize] == '\0';
}

} // namespace Update
