#include "update/XmlChars.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace XmlInternal {

LeadByteTable::LeadByteTable(std::initializer_list<Range> ranges)
{
    for (const Range& r : ranges) {
        Add(r.low, r.high);
    }
}

void LeadByteTable::Add(uint8_t low, uint8_t high)
{
    for (unsigned c = low; c <= high; ++c) {
        lead[c] = true;
        anyLead = true;
    }
}

#ifdef _WIN32

LeadByteTable LeadByteTable::ForCodePage(unsigned codePage)
{
    LeadByteTable table;
    CPINFO info;
    if (!GetCPInfo(codePage, &info)) {
        return table; // unknown code page: read it byte by byte
    }
    // Pairs of inclusive ranges, ended by a zero pair.
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        table.Add(info.LeadByte[i], info.LeadByte[i + 1]);
    }
    return table;
}

const LeadByteTable& LeadByteTable::ActiveCodePage()
{
    // The active code page is fixed for the life of the process.
    static const LeadByteTable table = ForCodePage(CP_ACP);
    return table;
}

#else

const LeadByteTable& LeadByteTable::ActiveCodePage()
{
    static const LeadByteTable table;
    return table;
}

#endif

} // namespace XmlInternal
