// The X side of the native backend's windows (platform/native/
// x11_windows.cpp): what platform/desktop.h and the in-process window list
// hand over for handles that are X window ids. Internal to the native
// backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/handles.h"
#include "platform/window_system.h"

namespace plat::x11 {

// The library's own in-process windows carry this bit; X ids stay below
// 2^29.
constexpr Hwnd kInProcessBit = 0x80000000u;

// Text between X (UTF-8) and the code page's wide form (UTF-16).
std::u16string utf8_to_utf16(const std::string& s);
std::string utf16_to_utf8(const std::u16string& w);

// True when w is an X window that exists (false without a display).
bool is_client(Hwnd w);

std::vector<Hwnd> top_level();
std::vector<Hwnd> descendants(Hwnd parent);
std::string title_utf8(Hwnd w);
std::string title(Hwnd w, std::size_t max);
bool set_title(Hwnd w, const char* text);
std::string class_name(Hwnd w);
std::string instance_name(Hwnd w);
// The X parent of a child window; 0 for a top-level client (whose parent
// is the window manager's frame or the root).
Hwnd parent_of(Hwnd w);
bool is_visible(Hwnd w);
bool is_minimized(Hwnd w);
bool is_maximized(Hwnd w);
// _NET_ACTIVE_WINDOW, 0 when none or no display.
Hwnd active();
bool request_active(Hwnd w);
bool is_transient_for(Hwnd w, Hwnd owner);
bool show(Hwnd w, int how);        // desk::Show
bool command(Hwnd w, int command); // desk::Command
bool window_rect(Hwnd w, Rect* r);
// The client area of a top-level client in root coordinates.
bool client_rect(Hwnd w, Rect* r);
bool move_window(Hwnd w, const Rect& r);
bool work_area(Rect* r);
bool can_arrange(Hwnd w);
// 0 the sizing frame's width, 1 its height, 2 the caption's height.
int frame_size(int which);
int min_size(bool height);
bool get_placement(Hwnd w, desk::Placement* p);
bool set_placement(Hwnd w, const desk::Placement& p, int part);
std::uint32_t process_of(Hwnd w);

} // namespace plat::x11
