// The library's window enumeration callbacks. Each is exported by name and
// has the shape the system's enumerations call: a window and the caller's
// data in, 0 to stop out. The data is the walk's own record, private to
// the file that defines the callback.
//   WinEnumFuncx        the title search of the find step
//   WinEnumClose        the walk of WinCloseNot
//   WinEnumItem         the walks of WinItemize, WinItemNameId, WinItemChild
//   WinEnumChildClasses the descendant walk of IntControl 25
#pragma once

#include <cstdint>

#include "platform/abi.h"
#include "platform/handles.h"

JOL_LISTED_EXPORT int JOL_STDCALL WinEnumFuncx(plat::Hwnd w, std::intptr_t data);
JOL_LISTED_EXPORT int JOL_STDCALL WinEnumClose(plat::Hwnd w, std::intptr_t data);
JOL_LISTED_EXPORT int JOL_STDCALL WinEnumItem(plat::Hwnd w, std::intptr_t data);
JOL_LISTED_EXPORT int JOL_STDCALL WinEnumChildClasses(plat::Hwnd w, std::intptr_t data);
