// Calls into other modules: DllLoad, DllFree, DllCall, DllHwnd and
// DllHinst, and the release of the modules a context loaded.
//
// A script names a loaded module by "?" and the module handle in decimal.
// Only handles that a DllLoad slot of the context holds are accepted: any
// other number could name a module the process still needs (the library
// itself, an extender), and natively a made-up handle crashes the loader.
#pragma once

#include "dispatch/handler.h"

namespace jol {

extern const Module kDllModule;

} // namespace jol
