// The records of the variable table that the script context holds: the
// entry layout of the host's block and the context's lookup index.
#pragma once

#include <cstdint>

namespace jol {

constexpr int kVarNameMax = 30;

// One entry of the host's variable-table block.
struct VarEntry {
    double f = 0.0;
    std::int32_t i = 0;
    std::uint32_t flags = 0; // ValueFlags; 0 = free entry
    std::uint16_t str = 0;   // string heap handle, 0 = none
    char name[kVarNameMax + 1] = {};
};

// The lookup index of a context's variable table: a direct-mapped table
// from the hash of a name's key to the entry that last held that name.
// Slots hold the entry index + 1 (0 = empty). A slot is only a hint: every
// hit is checked against the entry itself (in use, below the count, same
// name), and a miss falls back to the linear scan, so the index never
// gives another entry than the scan. It lives in the context, starts
// empty in a zero-filled record and is emptied when the table binding
// (address or capacity) changes or code outside the library may have
// written the table (InvalidateVariableIndex).
constexpr int kVarIndexSlots = 512; // a power of two
struct VariableIndex {
    const VarEntry* table = nullptr; // the binding the slots were filled for
    std::uint16_t capacity = 0;
    std::uint16_t slot[kVarIndexSlots] = {};
};

} // namespace jol
