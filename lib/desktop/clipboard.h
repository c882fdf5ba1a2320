// The clipboard and screen snapshots: ClipGet, ClipPut, ClipAppend and
// Snapshot.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"
#include "platform/window_system.h"

namespace jol {

// The most text the clipboard functions put there.
constexpr std::size_t kClipTextLimit = 64000;

// The area a Snapshot request takes: the window's rectangle (or the whole
// screen when there is none) with every coordinate clamped into the
// screen; false when nothing of it is left.
bool SnapshotArea(const plat::Rect* window, int screen_width, int screen_height, plat::Rect* out);

// The module record of the clipboard functions.
extern const Module kClipboardModule;

} // namespace jol
