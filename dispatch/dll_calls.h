// The calls into other modules: DllLoad, DllCall, DllFree, DllHinst and
// DllHwnd (not built yet; their names are in the pending list), and the
// modules a context loaded, which the release step frees.
#pragma once

#include "dispatch/handler.h"

namespace jol {

// The module record: no functions yet, the release of the loaded modules.
extern const Module kDllModule;

} // namespace jol
