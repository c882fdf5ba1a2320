// The system clipboard: its text and screen images.
//
// Win32: the system's clipboard, opened for a window, in the plain-text
// format. Native: the X selection CLIPBOARD of the desktop. The library
// owns it through its owner window (platform/owner_window.h) after a put
// and answers other programs' requests from the message pump (text as
// UTF8_STRING, STRING and TEXT; images as image/png and image/bmp; large
// data incrementally). Reading another program's selection waits for
// its answer a bounded time. When the owner window goes, what the library
// put there is handed to the desktop's clipboard keeper, or to a small
// process of the library's that keeps it until another program takes the
// selection. Without a display there is no clipboard (available() false).
#pragma once

#include <cstddef>
#include <string>

#include "platform/handles.h"
#include "platform/window_system.h"

namespace plat::clip {

// False when the system has no clipboard at all (native: no display).
bool available();

// Opens the clipboard for the window; false when another program holds
// it open. Native: there is no opening (true with a display).
bool open(Hwnd owner);
void close();

enum class Holds {
    Nothing,   // the clipboard is empty
    Text,      // it holds text (out has it, in the system code page)
    OtherOnly, // it holds data, none of it text
    NoAnswer,  // its owner did not answer in time (native)
};
// What the open clipboard holds; its text into *out when it holds text.
// Text from another program is measured within its data, never beyond.
Holds read_text(std::string* out);

// Empties the open clipboard; false when the system refused.
bool empty();
// Puts text (len bytes of the system code page) on the open clipboard as
// its text; false when the memory for it could not be had.
bool put_text(const char* text, std::size_t len);

// Screen snapshots.
enum class SnapResult {
    Ok,
    NoBitmap,  // the bitmap (or its memory) could not be made
    NoPalette, // the palette could not be made
    NotOpened, // the clipboard could not be opened
    NoDisplay, // no screen to take
};
// The rectangle of the foreground window in screen coordinates: its
// top-level ancestor's (top_level) or its own, the client area (client)
// or the whole window. False when there is no foreground window.
bool foreground_rect(bool top_level, bool client, Rect* r);
// The screen's size in pixels.
bool screen_size(int* width, int* height);
// Copies the rectangle of the screen (not empty, within the screen) to
// the clipboard as an image, the clipboard opened once for the window.
SnapResult snapshot(Hwnd owner, const Rect& r);

} // namespace plat::clip
