// The modules a context loaded with DllLoad.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace jol {

constexpr int kDllSlots = 10;

struct LoadedDlls {
    std::int32_t count = 0;
    plat::Module modules[kDllSlots] = {};
};

} // namespace jol
