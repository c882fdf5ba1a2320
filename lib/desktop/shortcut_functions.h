// The shortcut functions: ShortcutMake, ShortcutEdit, ShortcutExtra and
// ShortcutInfo, which make, change and read shortcut files (.lnk) through
// platform/shortcuts.h.
//
// A shortcut's name is looked for by the system's search with .LNK as the
// default extension; a name not found is used as given (at most 252
// bytes), with .LNK added when it has no extension, and refused when it has
// another one. Show modes are the script's run modes: 1 minimized without
// activation, 2 normal, 3 maximized (0: not set). Hotkeys are written and
// read as the text of lib/desktop/key_names.h.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

constexpr std::size_t kShortcutNameMax = 252; // a name not found, without .LNK added
constexpr std::size_t kShortcutInfoSize = 1350;

// The stored show command of a script show mode 0 to 3 (0: none); -1 for
// any other mode.
int ShortcutShowCommand(long long mode);
// The script show mode of a stored show command (0 for one it has none).
int ShortcutShowMode(int show_command);

// The module record of the four functions.
extern const Module kShortcutModule;

} // namespace jol
