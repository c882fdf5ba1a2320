// The library's own hidden window: the owner of what the library puts on
// the clipboard and the receiver of media notifications when the host has
// given no window of its own (or a window the library must not use for
// them). It is made on first use and lives until destroy_owner_window
// (the release of a context); a later use makes it again.
//
// Messages that reach it go to the handler registered for their number;
// every other message gets the system's default handling.
//
// Win32: a message-only window (never shown, not enumerated with the
// desktop's windows). Native: a window of the library's in-process window
// list (post_message and dispatch_message reach it like any other) and,
// when a display is present, an unmapped input-only X window on the
// backend's one connection that owns the library's X selections.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace plat {

// The owner window, made when missing; 0 when it cannot be made (the last
// error tells why).
Hwnd owner_window();
// True when the window exists now (never makes it).
bool owner_window_exists();
// Destroys the window and forgets it; the registered handlers stay.
void destroy_owner_window();

// A handler of one message number of the owner window; its result is the
// window procedure's.
using OwnerHandler = std::intptr_t (*)(void* data, unsigned message, std::uintptr_t wparam,
                                       std::intptr_t lparam);
// Routes the message number to handler (replacing the one it had); a null
// handler removes the route.
void set_owner_handler(unsigned message, OwnerHandler handler, void* data);

} // namespace plat
