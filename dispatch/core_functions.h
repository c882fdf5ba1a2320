// The built-in functions that belong to no library module.
#pragma once

#include "dispatch/handler.h"

namespace jol {

// The rows of ErrorMode, LastError, DosVersion, EndSession, Exclusive,
// IgnoreInput, Terminate, Version, VersionDll and Yields.
const HandlerRow* CoreHandlers(std::size_t* count);

} // namespace jol
