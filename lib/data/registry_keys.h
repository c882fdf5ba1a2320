// The registry keys a context opened for its scripts.
#pragma once

#include <cstdint>

#include "platform/memory.h"

namespace jol {

// The key handles RegOpenKey, RegCreateKey and RegConnect gave the scripts
// of a context: a block of count handles (plat::RegKey), capacity long.
// Only these and the predefined roots are accepted as keys; what is left
// open is closed when the context is released.
struct RegistryKeys {
    plat::MemHandle block = 0;
    std::uint32_t count = 0;
    std::uint32_t capacity = 0;
};

} // namespace jol
