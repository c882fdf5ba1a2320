// Menus of the native backend: records in a process-wide table. Handles
// carry the tag 0x6D (in bits 24 to 31) so that they meet neither window
// handles nor memory blocks. Linux has no menu bars of windows: window
// menus are always 0.
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/menus.h"
#include "platform/window_system.h"

namespace plat {
namespace {

struct ItemRec {
    unsigned flags = 0;
    unsigned id = 0;
    Menu popup = 0;
    std::vector<char> text;
};

struct MenuRec {
    bool bar = false;
    std::vector<ItemRec> items;
};

struct MenuTable {
    std::recursive_mutex lock;
    std::map<Menu, MenuRec> menus;
    Menu next = 0x6D000001;
};

MenuTable& table() {
    static MenuTable t;
    return t;
}

Menu create(bool bar) {
    MenuTable& t = table();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    if ((t.next & 0xFF000000u) != 0x6D000000u) return 0; // every handle in use once
    const Menu m = t.next++;
    t.menus[m].bar = bar;
    return m;
}

void destroy(MenuTable& t, Menu m, int depth) {
    auto it = t.menus.find(m);
    if (it == t.menus.end() || depth > 64) return;
    std::vector<Menu> children;
    for (const ItemRec& item : it->second.items)
        if (item.flags & mf::Popup) children.push_back(item.popup);
    t.menus.erase(it);
    for (Menu c : children)
        destroy(t, c, depth + 1);
}

} // namespace

Menu create_menu_bar() {
    return create(true);
}

Menu create_popup_menu() {
    return create(false);
}

bool append_menu(Menu m, unsigned flags, unsigned id, Menu popup, const char* text) {
    MenuTable& t = table();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    auto it = t.menus.find(m);
    if (it == t.menus.end()) return false;
    if ((flags & mf::Popup) && (popup == m || !t.menus.count(popup))) return false;
    ItemRec item;
    item.flags = flags;
    if (flags & mf::Popup)
        item.popup = popup;
    else if (!(flags & mf::Separator))
        item.id = id;
    if (!(flags & mf::Separator) && text) item.text.assign(text, text + std::strlen(text));
    it->second.items.push_back(std::move(item));
    return true;
}

bool destroy_menu(Menu m) {
    MenuTable& t = table();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    if (!t.menus.count(m)) return false;
    // A menu that is another's popup leaves its parent's item behind.
    for (auto& [handle, rec] : t.menus) {
        auto& items = rec.items;
        for (std::size_t i = 0; i < items.size();)
            if ((items[i].flags & mf::Popup) && items[i].popup == m)
                items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
            else
                ++i;
    }
    destroy(t, m, 0);
    return true;
}

bool is_menu(Menu m) {
    MenuTable& t = table();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    return t.menus.count(m) != 0;
}

int menu_item_count(Menu m) {
    MenuTable& t = table();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    auto it = t.menus.find(m);
    return it == t.menus.end() ? -1 : static_cast<int>(it->second.items.size());
}

bool menu_item(Menu m, int position, MenuItem* out) {
    MenuTable& t = table();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    auto it = t.menus.find(m);
    if (it == t.menus.end() || position < 0 ||
        static_cast<std::size_t>(position) >= it->second.items.size())
        return false;
    const ItemRec& item = it->second.items[static_cast<std::size_t>(position)];
    *out = MenuItem{};
    out->flags = item.flags;
    out->id = item.id;
    out->popup = item.popup;
    const std::size_t n =
        item.text.size() < sizeof out->text - 1 ? item.text.size() : sizeof out->text - 1;
    if (n) std::memcpy(out->text, item.text.data(), n);
    out->text[n] = 0;
    return true;
}

Menu window_menu(Hwnd) {
    return 0;
}

Menu window_system_menu(Hwnd) {
    return 0;
}

bool is_window_enabled(Hwnd w) {
    constexpr std::uint32_t kDisabled = 0x08000000;
    return w && is_window(w) && !(get_window_style(w) & kDisabled);
}

} // namespace plat
