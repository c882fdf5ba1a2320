// Finding windows by name and bringing them to the front: the steps every
// window, placement, keystroke and mouse function shares.
//
// A window name is empty (the host's top-level window), a WinId
// ("#WIN$ID#" and the handle in 8 upper-case hexadecimal digits) or a
// title pattern:
//   "~text"  text occurs anywhere in the title
//   "~text~" the title ends with text
//   "text~"  the title is exactly text
//   "text"   the title begins with text (a single character too)
// Comparisons are case-sensitive. An empty title never matches, nor does
// the title "WinOldAp" of a top-level window.
#pragma once

#include <cstddef>

#include "platform/handles.h"

namespace jol {

struct ScriptContext;

// The title rule, for one title and one pattern. child: the rule of child
// windows, which does not set "WinOldAp" aside.
bool TitleMatches(const char* title, const char* pattern, bool child = false);

constexpr std::size_t kWinIdLength = 16;
// Writes the WinId of a handle into out (at least 17 bytes). Only the low
// 32 bits of a handle are significant; false (and "" written) when the
// handle has more.
bool MakeWinId(plat::Hwnd w, char* out);
// True when the name has the form of a WinId.
bool IsWinId(const char* name);
// The handle a WinId names when it is still a window; 0 otherwise.
plat::Hwnd WinIdWindow(const char* name);

// The host's top-level window (0 when the host gave none).
plat::Hwnd HostTopWindow(const ScriptContext* ctx);

// Finds a top-level window by name once: empty name the host's top-level
// window, a WinId its window, otherwise the first window in stacking order
// (the top first) whose title matches. 0 when none.
plat::Hwnd FindWindowOnce(ScriptContext* ctx, const char* name);
// As FindWindowOnce, retrying a title search once a second while the
// window-wait retries (IntControl 46) allow. The waits keep the host's
// messages moving and end early, with 0, when the script is cancelled.
plat::Hwnd FindWindowRetry(ScriptContext* ctx, const char* name);
// The first descendant of parent whose title matches name by the child
// rule, or the window a WinId names when it is parent's descendant; 0 when
// none.
plat::Hwnd FindChildWindow(plat::Hwnd parent, const char* name);

// Waits ms milliseconds in short steps, keeping the host's messages
// moving; false (at once) when the script is cancelled.
bool WaitPumping(ScriptContext* ctx, unsigned ms);

// Brings a window to the front and gives it the focus, then confirms that
// it is in front (the window itself, a window it owns, or, for a window
// held by a modal dialog, that dialog), waiting a short while for the
// window manager. False when it did not come forward: a caller must not
// type into it.
bool ActivateWindow(ScriptContext* ctx, plat::Hwnd w);

// True when the window is a console (or DOS) window.
bool IsDosWindow(plat::Hwnd w);

} // namespace jol
