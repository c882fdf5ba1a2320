// The structure stack of a context: one record per open IF, WHILE, FOR,
// SWITCH, GOSUB or Call.
#pragma once

#include <cstdint>

namespace jol {

constexpr int kStructureDepth = 100;

struct StructureRecord {
    std::uint16_t code = 0;
    std::uint16_t offset = 0;
    std::uint16_t state = 0;
    std::uint16_t extra = 0;
};

struct StructureStack {
    std::int32_t depth = 0;
    StructureRecord records[kStructureDepth];
};

} // namespace jol
