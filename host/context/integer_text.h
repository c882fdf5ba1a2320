// The lenient reading of an integer from a text, which the settings store
// and the language's conversions share.
#pragma once

#include <cstdint>

namespace jol {

// Lenient reading: spaces, one optional sign, digits up to the first other
// character; wraps in 32 bits.
std::int32_t ParseIntegerText(const char* text);

} // namespace jol
