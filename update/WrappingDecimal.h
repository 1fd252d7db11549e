#pragma once
// atoi's reading of a decimal text (leading white space, an optional sign,
// digits up to the first other character), computed modulo 2^N for an N-bit
// unsigned result. Long digit runs therefore wrap instead of overflowing, and
// a negative value wraps like the conversion to unsigned ("-1" is all ones).
// Server texts are untrusted, so this never has undefined behaviour.
template <typename Unsigned>
Unsigned WrappingDecimal(const char* text)
{
    if (!text)
        return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    Unsigned value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = static_cast<Unsigned>(value * 10u + static_cast<unsigned>(*text - '0'));
    return negative ? static_cast<Unsigned>(0u - value) : value;
}
