// The keystroke state of a context: the foreground window SendKey saw
// last (its handle and title) and what was decided for it: whether to
// wait for its program to be idle before each item, and whether it gets
// keys in console mode (no pumping, no delays).
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace jol {

struct KeystrokeState {
    plat::Hwnd foreground = 0;
    char title[80] = {};
    std::int32_t wait_idle = 0;
    std::int32_t console_mode = 0;
};

} // namespace jol
