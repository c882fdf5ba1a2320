// The window functions: finding top-level windows by name and acting on
// them, testing, waiting for and listing them, and their child windows.
#pragma once

#include <string>

#include "dispatch/handler.h"
#include "platform/handles.h"

namespace jol {

struct ScriptContext;

extern const Module kWindowModule;

// The program of a window's process as the window functions name it: the
// file name without directory and extension ("(16-bit application)" for
// the virtual DOS machine); for the host's top-level window the host
// program's full file name. Empty when it cannot be told.
std::string WindowProgram(ScriptContext* ctx, plat::Hwnd w);

// WinActivate's work on a window name: 1, or 0 with the error set (not
// found, or the window did not come forward). DLLServices 19 uses it.
int ActivateByName(ScriptContext* ctx, const char* name);

} // namespace jol
