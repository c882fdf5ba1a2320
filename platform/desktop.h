// The windows of the desktop: other programs' top-level windows and their
// children, found, examined and acted on.
//
// The Win32 backend asks the system. The native backend works on the X
// server named by DISPLAY through the window manager's conventions (EWMH):
// handles are X window ids (below 2^29); the library's own in-process
// windows (platform/window_system.h) carry bit 31 and answer the questions
// that make sense for them (title, parent, rectangle). Without a display
// there are no windows: listings are empty and the actions fail.
//
// Titles are texts of the system code page, at most 256 bytes when read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "platform/handles.h"
#include "platform/window_system.h"

namespace plat::desk {

// True when there is a desktop to act on (always on Win32; natively, when
// the X display could be opened).
bool available();

// The top-level windows in stacking order, the top first, hidden ones
// included.
std::vector<Hwnd> top_level_windows();
// Every descendant of a window, parents before their children.
std::vector<Hwnd> descendants(Hwnd parent);

// An enumeration callback: called with each window and the caller's data;
// returning 0 ends the enumeration. On Win32 it is what the system's own
// enumeration calls.
using EnumProc = int(JOL_STDCALL*)(Hwnd w, std::intptr_t data);
// Calls proc for the top-level windows in the order of top_level_windows.
void enum_windows(EnumProc proc, std::intptr_t data);
// Calls proc for the descendants of parent in the order of descendants;
// nothing when parent is no window.
void enum_child_windows(Hwnd parent, EnumProc proc, std::intptr_t data);

constexpr std::size_t kTitleMax = 256;
// The window's title, cut to max bytes (never splitting a double-byte
// character); empty for no window or no title.
std::string title(Hwnd w, std::size_t max = kTitleMax);
// Sets the title; false when the window is gone or the system refused.
bool set_title(Hwnd w, const char* text);
// The window's class name (natively the class part of WM_CLASS).
std::string class_name(Hwnd w);
// The file name of the module that registered the window's class, when the
// system can tell (empty otherwise).
std::string class_module(Hwnd w);

bool is_visible(Hwnd w);
// X has no disabled windows: natively every window is enabled.
bool is_enabled(Hwnd w);
bool is_minimized(Hwnd w);
bool is_maximized(Hwnd w);

// The foreground (active) window, 0 when none.
Hwnd foreground();
// Asks the system (the window manager) to make w the foreground window;
// false when the request could not be made. Whether it happened is read
// back with foreground().
bool request_foreground(Hwnd w);
// Gives the keyboard focus to the window (a child of the foreground
// window's program); false where that cannot be done.
bool set_focus(Hwnd w);
// The first (topmost) child of a window, 0 when none.
Hwnd top_child(Hwnd w);
// True when w is owned by owner (a dialog or a transient of it).
bool is_owned_by(Hwnd w, Hwnd owner);

enum class Show {
    Hide,         // hide (withdraw) the window
    Show,         // show a hidden window
    ShowNoActive, // show in its present state without activating it
    ShowMinNoActive,
    ShowMaximized,
};
bool show(Hwnd w, Show how);
// The system commands a window is asked to carry out: posted, not waited
// for, on Windows (the window's program carries them out when it next
// reads its queue, at once for a window of this thread at the next look
// between script lines). On X the window manager is asked, and for a
// state change the native backend waits, up to about two seconds, until
// it has been carried out.
enum class Command { Close, Restore, Minimize, Maximize };
bool command(Hwnd w, Command c);

// The frame-inclusive rectangle, in screen pixels.
bool window_rect(Hwnd w, Rect* r);
// Moves and sizes the frame-inclusive rectangle without changing the
// stacking order or activating it; the native backend waits briefly for
// the window manager to carry it out.
bool move_window(Hwnd w, const Rect& r);
int screen_width();
int screen_height();
// The smallest window the system allows.
int min_width();
int min_height();
// The sizing frame and caption sizes.
int frame_width();
int frame_height();
int caption_height();
// Whether a window takes part in an arrangement of the desktop: a normal,
// visible, not minimized window with a sizing border.
bool can_arrange(Hwnd w);
// The bottom of the usable screen for a window placed by the system's
// default rule: the measured value on Win32; natively the work area's
// bottom when there is a display.
int default_bottom(int measured);
// The usable area of the screen (without task bars and docks).
bool work_area(Rect* r);

// The saved placement of a window: its minimized position, its normal
// (restored) rectangle and its maximized position, in screen pixels.
struct Placement {
    std::int32_t min_x = 0, min_y = 0;
    std::int32_t max_x = 0, max_y = 0;
    Rect normal;
    bool use_min_position = false;
};
// What set_placement may change natively: the minimized position is the
// window's icon position hint; X has no maximized position (false).
bool get_placement(Hwnd w, Placement* p);
enum class PlacementPart { Minimized = 1, Normal = 2, Maximized = 3 };
bool set_placement(Hwnd w, const Placement& p, PlacementPart part);
// Arranges the minimized windows of the desktop (the window manager's own
// business on X: nothing to ask there, false).
bool arrange_icons();
// A window's process id, 0 when it cannot be told.
std::uint32_t window_process(Hwnd w);
// A top-level window of a class (any title), 0 when none.
Hwnd find_by_class(const char* class_name);
// The text of a message box: a dialog-class window of that exact title and
// its static text child; false where there is none (always natively).
bool message_box_text(const char* box_title, std::string* out);

// Messages of the system sent to other programs' windows: false where the
// system has none (natively for X windows).
bool send_text_message(Hwnd w, unsigned message, std::uintptr_t wparam, const char* text);
bool send_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
bool post_window_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
// Waits until the window's process waits for input, at most ms: 1 idle,
// 0 timed out, -1 when it cannot be waited for (a console program, a
// process that cannot be opened or has ended; always natively).
int wait_input_idle(Hwnd w, std::uint32_t ms);
// Whether the system can wait for a process to be idle at all (Win32).
bool can_wait_input_idle();

} // namespace plat::desk
