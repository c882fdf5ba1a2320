// The program-file functions FileVerInfo (the version strings of a
// program), ExeTypeInfo (the kind of executable a file holds) and
// InstallFile (installing a file with the system's version-aware
// installer).
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

extern const Module kExeInfoModule;

} // namespace jol
