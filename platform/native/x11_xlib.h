// Xlib for the native backend's desktop files. Xlib defines a few short
// macro names that the backend's own headers use as constants (Success
// among them); they are replaced here by names of their own, so include
// this header, never <X11/Xlib.h> itself.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#ifdef Success
#undef Success
#endif
namespace plat::x11 {
constexpr int kXSuccess = 0;
} // namespace plat::x11
