// The environment block a context uses instead of the process environment
// (none unless set).
#pragma once

#include "platform/memory.h"

namespace jol {

struct PrivateEnvironment {
    char* block = nullptr;
    plat::MemHandle handle = 0;
};

} // namespace jol
