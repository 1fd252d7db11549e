#pragma once
// A table of access numbers of one kind. Portable: no Windows dependency, so
// the rotation and the loading rules are tested natively.
#include <stdint.h>

constexpr int kNumberSlots = 17;
constexpr int kNumberLength = 32;            // 31 characters and the terminator
constexpr int kMaxNumbers = kNumberSlots - 2;  // slot 0 unused; rotation looks one slot ahead

// Slot 0 is never used; the list runs from slot 1 to the first empty slot.
struct NumberTable {
    char slots[kNumberSlots][kNumberLength];
};

// Where a table's numbers are stored. Reading returns the value's text or the
// empty text when missing; writing reports whether the store took the value.
struct NumberStore {
    virtual ~NumberStore() = default;
    virtual bool Read(const char* name, char* value, int valueSize) = 0;
    virtual bool Write(const char* name, const char* value) = 0;
};

void ClearNumberTable(NumberTable& table);

// Number of numbers in the table (slots 1.. up to the first empty one).
int CountNumbers(const NumberTable& table);

// Fills the table from baseName1, baseName2, ... (at most kMaxNumbers). A
// stored number longer than 31 characters is skipped, never cut. An empty
// list is seeded from the older un-numbered value baseName, else with
// defaultCopies copies of defaultNumber; when the store does not take the
// seed, the seeded numbers are used from memory. Returns the count read.
int LoadNumberTable(NumberTable& table, NumberStore& store, const char* baseName, const char* defaultNumber,
                    int defaultCopies);

// Moves index on by one, wrapping to 1 after the last number, and returns the
// number at the new index (the empty text for an empty table).
const char* NextNumberInTable(const NumberTable& table, int32_t& index);
