// Menus of the Win32 backend: the system's own menus.
#include <windows.h>

#include <cstring>

#include "platform/menus.h"

namespace plat {
namespace {

HMENU H(Menu m) {
    return reinterpret_cast<HMENU>(m);
}

} // namespace

Menu create_menu_bar() {
    return reinterpret_cast<Menu>(CreateMenu());
}

Menu create_popup_menu() {
    return reinterpret_cast<Menu>(CreatePopupMenu());
}

bool append_menu(Menu m, unsigned flags, unsigned id, Menu popup, const char* text) {
    const UINT_PTR item = (flags & mf::Popup) ? static_cast<UINT_PTR>(popup) : id;
    if (flags & mf::Separator) return AppendMenuA(H(m), flags, 0, nullptr) != 0;
    return AppendMenuA(H(m), flags | MF_STRING, item, text ? text : "") != 0;
}

bool destroy_menu(Menu m) {
    return DestroyMenu(H(m)) != 0;
}

bool is_menu(Menu m) {
    return m && IsMenu(H(m));
}

int menu_item_count(Menu m) {
    return is_menu(m) ? GetMenuItemCount(H(m)) : -1;
}

bool menu_item(Menu m, int position, MenuItem* out) {
    if (!is_menu(m) || position < 0) return false;
    *out = MenuItem{};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = out->text;
    info.cch = sizeof out->text;
    if (!GetMenuItemInfoA(H(m), static_cast<UINT>(position), TRUE, &info)) return false;
    out->text[sizeof out->text - 1] = 0;
    if (info.fType & MFT_SEPARATOR) out->flags |= mf::Separator;
    if (info.fType & MFT_MENUBARBREAK) out->flags |= mf::MenuBarBreak;
    if (info.fType & MFT_MENUBREAK) out->flags |= mf::MenuBreak;
    if (info.hSubMenu) {
        out->flags |= mf::Popup;
        out->popup = reinterpret_cast<Menu>(info.hSubMenu);
    } else if (!(info.fType & MFT_SEPARATOR)) {
        out->id = info.wID;
    }
    if (info.fType & MFT_SEPARATOR) out->text[0] = 0;
    return true;
}

Menu window_menu(Hwnd w) {
    return reinterpret_cast<Menu>(GetMenu(reinterpret_cast<HWND>(w)));
}

Menu window_system_menu(Hwnd w) {
    return reinterpret_cast<Menu>(GetSystemMenu(reinterpret_cast<HWND>(w), FALSE));
}

bool is_window_enabled(Hwnd w) {
    return IsWindowEnabled(reinterpret_cast<HWND>(w)) != 0;
}

} // namespace plat
