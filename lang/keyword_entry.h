// One row of a keyword table: the built-in table, the host's table and the
// extender rows share this 24-byte layout.
#pragma once

#include <cstdint>

namespace jol {

#pragma pack(push, 1)
struct KeywordEntry {
    std::uint16_t id;
    std::uint16_t kind; // bit 0x2000: keyword disabled
    std::uint8_t value[4];
    std::int16_t length; // characters of the name; 0 ends a host table
    char name[14];       // lower case, zero-padded
};
#pragma pack(pop)
static_assert(sizeof(KeywordEntry) == 24, "keyword rows are 24 bytes");

} // namespace jol
