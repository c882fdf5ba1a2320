// SendMenusTo: a command of another program's menu bar, chosen by the
// letters and digits of its path.
#pragma once

#include <cstddef>
#include <string>

#include "dispatch/handler.h"

namespace jol {

// The letters and digits of text, upper case (a double-byte character
// counts as a letter), up to the first stop character (0 for none) and at
// most limit characters of text read.
std::string MenuKey(const char* text, char stop, std::size_t limit);

// The module record of SendMenusTo.
extern const Module kMenuModule;

} // namespace jol
