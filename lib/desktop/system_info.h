// Facts about the system: WinMetrics, WinVersion, WinConfig, WinResources,
// WinSysInfo, NetInfo, and the help engine: WinHelp.
#pragma once

#include <cstdint>

#include "dispatch/handler.h"

namespace jol {

// A byte count as a script integer: counts beyond the integer's range
// read as its greatest value.
std::int32_t SaturateCount(std::uint64_t count);

// The module record of the system facts.
extern const Module kSystemInfoModule;

} // namespace jol
