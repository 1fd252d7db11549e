#include "dialler/NumberTable.h"

#include <stdio.h>
#include <string.h>

namespace {

// Settings values are read into buffers of this size (the settings store's).
constexpr int kValueBuffer = 260;

bool FitsInSlot(const char* number)
{
    return strlen(number) < static_cast<size_t>(kNumberLength);
}

void NumberedName(char* name, int nameSize, const char* baseName, int n)
{
    snprintf(name, nameSize, "%s%i", baseName, n);
}

// Reads baseName1, baseName2, ... until the first empty value or a full
// table. A number too long for a slot is skipped: cutting it would dial a
// different number.
int ReadNumberedList(NumberTable& table, NumberStore& store, const char* baseName)
{
    ClearNumberTable(table);
    int count = 0;
    for (int n = 1; count < kMaxNumbers; ++n) {
        char name[kValueBuffer];
        char value[kValueBuffer] = "";
        NumberedName(name, sizeof name, baseName, n);
        store.Read(name, value, sizeof value);
        if (value[0] == '\0')
            break;
        if (!FitsInSlot(value))
            continue;
        ++count;
        snprintf(table.slots[count], kNumberLength, "%.31s", value);
    }
    return count;
}

void FillFromMemory(NumberTable& table, const char* number, int copies)
{
    ClearNumberTable(table);
    for (int n = 1; n <= copies && n <= kMaxNumbers; ++n)
        snprintf(table.slots[n], kNumberLength, "%.31s", number);
}

} // namespace

void ClearNumberTable(NumberTable& table)
{
    memset(&table, 0, sizeof table);
}

int CountNumbers(const NumberTable& table)
{
    int count = 0;
    while (count + 1 < kNumberSlots && table.slots[count + 1][0] != '\0')
        ++count;
    return count;
}

int LoadNumberTable(NumberTable& table, NumberStore& store, const char* baseName, const char* defaultNumber,
                    int defaultCopies)
{
    int count = ReadNumberedList(table, store, baseName);
    if (count > 0)
        return count;

    // Seed the empty list: the older un-numbered value, else the defaults.
    char older[kValueBuffer] = "";
    store.Read(baseName, older, sizeof older);
    const char* seed = defaultNumber;
    int copies = defaultCopies;
    if (older[0] != '\0' && FitsInSlot(older)) {
        seed = older;
        copies = 1;
    }
    for (int n = 1; n <= copies; ++n) {
        char name[kValueBuffer];
        NumberedName(name, sizeof name, baseName, n);
        store.Write(name, seed);
    }

    count = ReadNumberedList(table, store, baseName);
    if (count > 0)
        return count;
    // The store did not keep the seed; going round again would never end.
    FillFromMemory(table, seed, copies);
    return CountNumbers(table);
}

const char* NextNumberInTable(const NumberTable& table, int32_t& index)
{
    ++index;
    if (index < 1 || index >= kNumberSlots || table.slots[index][0] == '\0')
        index = 1;
    return table.slots[index];
}
