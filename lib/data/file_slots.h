// The file-handle slots of a context.
#pragma once

#include <cstdint>

#include "platform/memory.h"

namespace jol {

constexpr int kFileSlots = 5;

struct FileSlot {
    std::uintptr_t handle = 0; // system file handle, 0 = free
    std::int32_t mode = 0;
    std::int32_t pipe = 0;
    // Read-ahead of a file opened for reading (0 when it has none): bytes
    // [taken, buffered) of the block are read from the file but not yet
    // handed out.
    plat::MemHandle buffer = 0;
    std::uint32_t buffered = 0;
    std::uint32_t taken = 0;
};

} // namespace jol
