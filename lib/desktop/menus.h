// SendMenusTo: a command of another program's menu bar, chosen by the
// letters and digits of its path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dispatch/handler.h"
#include "platform/handles.h"

namespace jol {

// The letters and digits of text, upper case (a double-byte character
// counts as a letter), up to the first stop character (0 for none) and at
// most limit characters of text read.
std::string MenuKey(const char* text, char stop, std::size_t limit);

// Chooses the command of window w's menu bar that path names, as
// SendMenusTo does once it has found the window: 1 when the command was
// posted, else 0 with the error raised.
std::int32_t SendMenuCommand(ScriptContext* ctx, plat::Hwnd w, const char* path);

// The module record of SendMenusTo.
extern const Module kMenuModule;

} // namespace jol
