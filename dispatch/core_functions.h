// The built-in functions that belong to no library module.
#pragma once

#include "dispatch/handler.h"

namespace jol {

// The module record of ErrorMode, LastError, DosVersion, EndSession, Exclusive,
// IgnoreInput, Terminate, Version, VersionDll and Yields.
extern const Module kCoreModule;

} // namespace jol
