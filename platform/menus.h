// Menus: menu bars and popup menus, their items, and the menu of a window.
//
// The Win32 backend makes real menus. The native backend keeps menus as
// records of its own (each item an id, a caption, flags and a popup
// child); a host presents them as it likes, nothing is drawn.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"

namespace plat {

using Menu = std::uintptr_t;

// Item flags, as the system's menus have them.
namespace mf {
constexpr unsigned String = 0x0000;
constexpr unsigned Popup = 0x0010;
constexpr unsigned MenuBarBreak = 0x0020;
constexpr unsigned MenuBreak = 0x0040;
constexpr unsigned Separator = 0x0800;
} // namespace mf

// A new, empty menu bar or popup menu; 0 on failure.
Menu create_menu_bar();
Menu create_popup_menu();
// Appends an item: flags (mf bits) with mf::Popup make popup a submenu of
// the item (the menu then owns it), else id is the item's command. text is
// ignored for a separator. False on failure.
bool append_menu(Menu m, unsigned flags, unsigned id, Menu popup, const char* text);
// Destroys a menu with its submenus.
bool destroy_menu(Menu m);
bool is_menu(Menu m);
// The number of items; -1 for no menu.
int menu_item_count(Menu m);

// One item of a menu.
struct MenuItem {
    unsigned flags = 0; // mf bits
    unsigned id = 0;    // the command (0 for popups and separators)
    Menu popup = 0;     // the submenu of a popup item
    char text[257] = {};
};
// The item at a position (0 first); false when there is none.
bool menu_item(Menu m, int position, MenuItem* out);

// The menu bar of a window and its system menu (0 for none; the native
// backend has no system menus).
Menu window_menu(Hwnd w);
Menu window_system_menu(Hwnd w);
bool is_window_enabled(Hwnd w);

} // namespace plat
