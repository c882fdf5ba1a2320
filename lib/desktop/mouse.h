// The mouse: MouseMove, MouseClick, MouseInfo and MouseDrag.
#pragma once

#include <cstdint>

#include "dispatch/handler.h"

namespace jol {

// The screen point of a position in thousandths of the screen's width and
// height from an origin, clamped to the screen; computed in 64 bits, so
// that no script integer overflows it.
std::int32_t ScaleToScreen(std::int32_t origin, std::int32_t thousandths, std::int32_t extent);

// A position within a span of extent pixels, in thousandths of a length;
// 0 when the length is 0 (a window shrunk to nothing).
std::int32_t ScaleToThousandths(std::int32_t offset, std::int32_t length);

// The module record of the mouse functions.
extern const Module kMouseModule;

} // namespace jol
