// Associates the library's windows (its dialogs) with a pointer to their
// data, so that window procedures find their context. One process-wide map
// of 100 slots.
#pragma once

#include "platform/handles.h"

namespace jol {

constexpr int kWindowPointerSlots = 100;

// Clears every slot (process initialisation).
void WindowPointerClear();
// Stores the pair in the slot that already holds the window, else in the
// first free slot; returns the pointer, or null when every slot holds
// another window.
void* WindowPointerAdd(plat::Hwnd window, void* pointer);
// The pointer of the window; for an unknown window a box "DlgPointLookup
// Failure" and null.
void* WindowPointerFind(plat::Hwnd window);
// As WindowPointerFind, without the box.
void* WindowPointerFindQuiet(plat::Hwnd window);
// Clears the window's slot; false when no slot held it.
bool WindowPointerRemove(plat::Hwnd window);

} // namespace jol
