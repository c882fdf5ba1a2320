// The context's binding to the host's string-heap block.
#pragma once

#include <cstdint>

#include "platform/memory.h"

namespace jol {

struct HeapBinding {
    char* base = nullptr; // the locked heap block, valid during a run
    plat::MemHandle handle = 0;
    std::uint32_t size = 0; // formatted size in bytes
};

} // namespace jol
