// Facts about the system: WinMetrics, WinVersion, WinConfig, WinResources,
// WinSysInfo, NetInfo, the help engine: WinHelp, and the desktop settings:
// WinParmGet, WinParmSet and Wallpaper.
#pragma once

#include <cstdint>

#include "dispatch/handler.h"
#include "platform/abi.h"
#include "platform/handles.h"

namespace jol {

// A byte count as a script integer: counts beyond the integer's range
// read as its greatest value.
std::int32_t SaturateCount(std::uint64_t count);

// Repaints a window when it is minimized; exported by name, the shape of
// the system's window enumeration callbacks. Always goes on (1).
JOL_LISTED_EXPORT int JOL_STDCALL WinEnumXXXIcon(plat::Hwnd w, std::intptr_t data);

// The module record of the system facts.
extern const Module kSystemInfoModule;

} // namespace jol
