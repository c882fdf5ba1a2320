// The handle types that several platform areas share. A handle is an
// opaque number; 0 names nothing.
#pragma once

#include <cstdint>

namespace plat {

using Hwnd = std::uintptr_t;   // window handle, 0 = none
using Module = std::uintptr_t; // module (library) instance, 0 = none
using Cursor = std::uintptr_t; // cursor handle, 0 = none

} // namespace plat
