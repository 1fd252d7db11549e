#pragma once
// A growing list of plain records on the process heap: the switcher does
// without the C++ library (see PathText.h). When the heap refuses more, Add
// says so and the list keeps what it has.
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace switcher {

template <typename Record>
class HeapList {
public:
    HeapList() = default;
    ~HeapList()
    {
        if (records)
            HeapFree(GetProcessHeap(), 0, records);
    }
    HeapList(const HeapList&) = delete;
    HeapList& operator=(const HeapList&) = delete;

    // A new record at the end, zero-filled; null when the heap refuses.
    Record* Add()
    {
        if (count == capacity) {
            const std::size_t grown = capacity ? capacity * 2 : 16;
            if (grown > SIZE_MAX / sizeof(Record))
                return nullptr;
            void* more = records ? HeapReAlloc(GetProcessHeap(), 0, records, grown * sizeof(Record))
                                 : HeapAlloc(GetProcessHeap(), 0, grown * sizeof(Record));
            if (!more)
                return nullptr;
            records = static_cast<Record*>(more);
            capacity = grown;
        }
        Record* added = &records[count++];
        ZeroMemory(added, sizeof *added);
        return added;
    }

    std::size_t Count() const { return count; }
    Record* begin() { return records; }
    Record* end() { return records + count; }
    const Record* begin() const { return records; }
    const Record* end() const { return records + count; }

private:
    Record* records = nullptr;
    std::size_t count = 0;
    std::size_t capacity = 0;
};

} // namespace switcher
