// The binary-buffer slots of a context.
#pragma once

#include <cstdint>

#include "platform/memory.h"

namespace jol {

constexpr int kBufferSlots = 10;

struct BufferSlot {
    plat::MemHandle block = 0; // 0 = free
    std::uint32_t size = 0;
    std::uint32_t eod = 0; // end of data
    // BinaryOleType: data type (0 none, 1 or 2) and direction (1 to 3)
    std::int32_t object_type = 0;
    std::int32_t object_direction = 0;
};

} // namespace jol
