#pragma once
// Character classes for the XML reader. Markup characters are single bytes;
// in a double-byte code page a lead byte and its trail byte are one character,
// so a trail byte that looks like `\`, `<` or a quote is never taken as markup.
#include <cstdint>
#include <initializer_list>

namespace XmlInternal {

class LeadByteTable {
public:
    struct Range {
        uint8_t low;
        uint8_t high;
    };

    // No lead bytes: plain byte scanning.
    LeadByteTable() = default;
    explicit LeadByteTable(std::initializer_list<Range> ranges);

    // The process's active ANSI code page (single-byte outside Windows).
    static const LeadByteTable& ActiveCodePage();
#ifdef _WIN32
    // The lead-byte ranges the system reports for `codePage`.
    static LeadByteTable ForCodePage(unsigned codePage);
#endif

    bool IsLead(unsigned char c) const
    {
        return lead[c];
    }
    bool HasLeadBytes() const
    {
        return anyLead;
    }

private:
    void Add(uint8_t low, uint8_t high);

    bool lead[256] = {};
    bool anyLead = false;
};

// Whitespace is exactly space, tab, line feed and carriage return.
inline bool IsXmlSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Token delimiters: whitespace and < > = \ / ? ! (the tokenizer's inner
// loop, hence a table).
struct DelimiterTable {
    bool delimiter[256] = {};
    constexpr DelimiterTable()
    {
        for (const char* p = " \t\n\r<>=\\/?!"; *p; ++p) {
            delimiter[static_cast<unsigned char>(*p)] = true;
        }
    }
};
inline constexpr DelimiterTable kDelimiters {};

inline bool IsDelimiter(unsigned char c)
{
    return kDelimiters.delimiter[c];
}

} // namespace XmlInternal
