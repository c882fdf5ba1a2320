// Named error codes in the unit tests: the numbers the context and the rigs
// hold compare with Err values, and a failed comparison shows the code's
// name.
#pragma once

#include <ostream>

#include "host/context/errors.h"
#include "resources/error_codes.h"

namespace jol {

constexpr bool operator==(int number, Err code) {
    return number == ErrNumber(code);
}

inline void PrintTo(Err code, std::ostream* os) {
    const char* name = ErrName(code);
    *os << (name ? name : "Err") << " (" << ErrNumber(code) << ")";
}

} // namespace jol
