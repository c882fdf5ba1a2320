// The object interface: ObjectOpen, ObjectClose and the object references
// (not built yet; their names are in the pending list), and the object
// library a context loaded, which the release step frees.
#pragma once

#include "dispatch/handler.h"

namespace jol {

// The module record: no functions yet, the release of the object library.
extern const Module kObjectModule;

} // namespace jol
