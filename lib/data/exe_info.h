// The program-file functions FileVerInfo (the version strings of a
// program) and ExeTypeInfo (the kind of executable a file holds).
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

const HandlerRow* ExeInfoHandlers(std::size_t* count);

} // namespace jol
