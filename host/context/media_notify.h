// The procedure of the media notification window (class "jo8wcmmn"),
// exported by name. The window keeps, in its first window word, the memory
// handle of the script context it was made for (its creation parameter);
// when the media device reports that a notified command ended, the
// procedure sets that context's media-done flag. Everything else takes the
// system's default handling.
#pragma once

#include <cstdint>

#include "platform/abi.h"
#include "platform/handles.h"

JOL_LISTED_EXPORT std::intptr_t JOL_STDCALL MyMMNotifyProc(plat::Hwnd w, unsigned message,
                                                           std::uintptr_t wparam,
                                                           std::intptr_t lparam);
