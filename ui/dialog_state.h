// The state of a context's open dialog and its control records.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace jol {

constexpr int kDialogControls = 101;

struct DialogControl {
    std::int32_t type = 0;
    std::int32_t x = 0, y = 0, w = 0, h = 0;
    std::uint16_t var = 0;
    std::uint16_t text = 0;
    std::uintptr_t window = 0;
};

struct DialogState {
    std::int32_t count = 0;
    DialogControl controls[kDialogControls];
    plat::Hwnd window = 0;
};

} // namespace jol
