// The X side of the library's owner window (platform/owner_window.h):
// an unmapped input-only window on the backend's one connection, made
// with the owner window when a display is present. Internal to the
// native backend.
#pragma once

#include "platform/native/x11_xlib.h"

namespace plat::x11 {

// The X window of the owner window, made (with the owner window) when
// missing; None without a display.
Window owner_xwindow();
// The X window of the owner window when it exists now (never makes it).
Window current_owner_xwindow();

// Called just before the owner window is destroyed, while its X window
// still exists (the clipboard hands its selection on there).
using OwnerReleaseHook = void (*)();
void set_owner_release_hook(OwnerReleaseHook hook);

} // namespace plat::x11
