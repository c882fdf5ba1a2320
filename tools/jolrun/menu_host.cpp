// jolrun as a menu host (--menu FILE): loads the menu file into a menu bar
// through the library, then runs the start-up code and the items chosen,
// each with ProcessDaBatBuffer. On Windows the menu bar is the real menu of
// jolrun's window, with status-line help and hotkeys; on Linux it is shown
// on the terminal as numbered lists (host_window_*.cpp decide which).
// --item "Title>Sub>Item" runs one item without asking; --dump-menu prints
// the menu as read back from the menu bar.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jol.h"

namespace jolrun {

struct MenuSession;
// From host_window_*.cpp: the menu bar of the window (Windows: the real
// menu bar, set and read back from the window; Linux: the library's menu
// records), and the interactive menu of the window (false: none, the
// terminal menu serves).
std::uintptr_t AttachMenu(std::uintptr_t window, std::uintptr_t menu);
int MenuItemCount(std::uintptr_t menu);
bool ReadMenuItem(std::uintptr_t menu, int position, JolMenuItem* out);
bool RunMenuWindow(MenuSession* session, int* status);

// One menu loaded from a file, and the way to run its code.
struct MenuSession {
    std::uintptr_t context = 0;
    std::uintptr_t window = 0;
    std::uintptr_t menu = 0; // the menu bar as attached
    unsigned loads = 0;      // menus loaded so far
    JolMenuState state = {};
    JolHotkeyTable hotkeys = {};
    std::int32_t first = 100;
    std::int32_t last = 4999;
    // Runs a script block (not freed by it); the exit status of the run.
    int (*run)(std::uintptr_t block, void* data) = nullptr;
    void* data = nullptr;

    bool Load(const char* file) {
        if (file) std::snprintf(state.path, sizeof state.path, "%s", file);
        if (menu) {
            AttachMenu(window, 0);
            JolDestroyMenu(menu);
            menu = 0;
        }
        std::uintptr_t m = LoadStandardMenu(context, window, first, last, &state, "jolrun",
                                            &hotkeys, JOL_MENU_BAR);
        if (!m) return false;
        ++loads;
        menu = AttachMenu(window, m);
        return menu != 0;
    }

    ~MenuSession() {
        if (menu) {
            AttachMenu(window, 0);
            JolDestroyMenu(menu);
        }
    }

    // The start-up code, when the file has any; 0 when it has none.
    int RunStartup() {
        const std::intptr_t block =
            ParseStandardMenu(context, window, 0, 1, first, 0, &state, "jolrun");
        if (block <= 0) return 0;
        const int status = run(static_cast<std::uintptr_t>(block), data);
        JolBlockFree(static_cast<std::uintptr_t>(block));
        return status;
    }

    // The code of a command; the menu is loaded again when the file
    // changed, and the command must be chosen again then.
    int RunCommand(unsigned id) {
        const std::intptr_t block = ParseStandardMenu(
            context, window, static_cast<std::int32_t>(id), 0, first, 0, &state, "jolrun");
        if (block == -1) {
            Load(nullptr);
            return 0;
        }
        if (block == 0) return 1;
        const int status = run(static_cast<std::uintptr_t>(block), data);
        JolBlockFree(static_cast<std::uintptr_t>(block));
        return status;
    }

    // The help text of an item: its help variable, empty when it has none.
    std::string Help(const JolMenuItem& item) {
        char name[64];
        const char letter = static_cast<char>('A' + state.index % 26);
        if (item.flags & JOL_MENU_ITEM_POPUP)
            std::snprintf(name, sizeof name, "%%P%c%llu", letter,
                          static_cast<unsigned long long>(item.popup));
        else
            std::snprintf(name, sizeof name, "%%M%c%u", letter, item.id);
        char text[JOL_TEXT_SIZE] = "";
        if (!DLLServices(context, JOL_SERVICE_GET_VARIABLE, name, text, sizeof text, 0)) return "";
        return text;
    }
};

namespace {

// A caption as the user names it: up to the tab, without the "&" marks.
std::string Caption(const char* text) {
    std::string c;
    for (const char* p = text; *p && *p != '\t'; ++p) {
        if (*p == '&' && p[1] == '&') {
            c += '&';
            ++p;
        } else if (*p != '&') {
            c += *p;
        }
    }
    while (!c.empty() && c.back() == ' ')
        c.pop_back();
    return c;
}

bool SameCaption(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string Quoted(const char* text) {
    std::string q = "\"";
    for (const char* p = text; *p; ++p) {
        if (*p == '\t')
            q += "\\t";
        else if (*p == '"' || *p == '\\')
            q += std::string("\\") + *p;
        else
            q += *p;
    }
    return q + "\"";
}

void DumpMenu(MenuSession& s, std::uintptr_t menu, int depth) {
    const int n = MenuItemCount(menu);
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    for (int i = 0; i < n; ++i) {
        JolMenuItem item;
        if (!ReadMenuItem(menu, i, &item)) {
            std::printf("%s?\n", indent.c_str());
            continue;
        }
        if (item.flags & JOL_MENU_ITEM_SEPARATOR) {
            std::printf("%s----\n", indent.c_str());
            continue;
        }
        std::string line = indent;
        if (item.flags & JOL_MENU_ITEM_POPUP)
            line += "popup ";
        else
            line += "item " + std::to_string(item.id) + " ";
        line += Quoted(item.text);
        if (item.flags & JOL_MENU_ITEM_BARBREAK) line += " |";
        if (item.flags & JOL_MENU_ITEM_BREAK) line += " ||";
        // The status-line help, as the window shows it on a highlight.
        char help[JOL_TEXT_SIZE] = "";
        const std::uintptr_t select =
            (item.flags & JOL_MENU_ITEM_POPUP)
                ? (static_cast<std::uintptr_t>(i) | (std::uintptr_t{JOL_MENU_ITEM_POPUP} << 16))
                : item.id;
        const std::int32_t r =
            MenuSelectProcessing(s.context, s.window, select, menu, s.first, s.state.last_command,
                                 help, sizeof help, &s.state, 1);
        line += " help " + std::to_string(r) + " " + Quoted(help);
        std::printf("%s\n", line.c_str());
        if (item.flags & JOL_MENU_ITEM_POPUP) DumpMenu(s, item.popup, depth + 1);
    }
}

// The command a path of captions names ("File>Open"), 0 when none.
unsigned FindItem(std::uintptr_t menu, const std::string& path) {
    std::size_t at = 0;
    for (int depth = 0; depth < 8; ++depth) {
        const std::size_t gt = path.find('>', at);
        const std::string want = path.substr(at, gt == std::string::npos ? gt : gt - at);
        const int n = MenuItemCount(menu);
        bool found = false;
        for (int i = 0; i < n && !found; ++i) {
            JolMenuItem item;
            if (!ReadMenuItem(menu, i, &item) || (item.flags & JOL_MENU_ITEM_SEPARATOR) ||
                !SameCaption(Caption(item.text), want))
                continue;
            const bool popup = (item.flags & JOL_MENU_ITEM_POPUP) != 0;
            if (gt == std::string::npos) return popup ? 0 : item.id;
            if (!popup) return 0;
            menu = item.popup;
            found = true;
        }
        if (!found) return 0;
        at = gt + 1;
    }
    return 0;
}

// The terminal menu: the items of one menu as a numbered list; a popup
// opens its own list, 0 goes back, the end of the input quits.
enum MenuExit { kQuit, kBack, kReload };
MenuExit TerminalMenu(MenuSession& s, std::uintptr_t menu, const std::string& title, int* status) {
    for (;;) {
        const int n = MenuItemCount(menu);
        std::vector<JolMenuItem> items;
        std::printf("\n%s\n", title.c_str());
        for (int i = 0; i < n; ++i) {
            JolMenuItem item;
            if (!ReadMenuItem(menu, i, &item)) continue;
            if (item.flags & JOL_MENU_ITEM_SEPARATOR) {
                std::printf("     ----\n");
                continue;
            }
            items.push_back(item);
            std::string caption = Caption(item.text);
            const char* tab = std::strchr(item.text, '\t');
            std::string keys = tab ? tab + 1 : "";
            std::string text = caption + ((item.flags & JOL_MENU_ITEM_POPUP) ? " >" : "");
            std::printf("%4zu  %-28s %-12s %s\n", items.size(), text.c_str(), keys.c_str(),
                        s.Help(item).c_str());
        }
        std::printf("%4d  %s\nChoose: ", 0, title == "Menu" ? "Quit" : "Back");
        std::fflush(stdout);
        char answer[64];
        if (!std::fgets(answer, sizeof answer, stdin)) return kQuit;
        char* end = nullptr;
        const long k = std::strtol(answer, &end, 10);
        if (end == answer) continue;
        if (k == 0) return kBack;
        if (k < 0 || static_cast<std::size_t>(k) > items.size()) continue;
        const JolMenuItem& chosen = items[static_cast<std::size_t>(k - 1)];
        if (chosen.flags & JOL_MENU_ITEM_POPUP) {
            const MenuExit e =
                TerminalMenu(s, chosen.popup, title + " > " + Caption(chosen.text), status);
            if (e != kBack) return e;
        } else {
            const unsigned before = s.loads;
            *status = s.RunCommand(chosen.id);
            // A reload replaced the menus: start again from the top.
            if (s.loads != before) return kReload;
        }
    }
}

} // namespace

// For the window's menu (host_window_win32.cpp): a command chosen, a
// highlight, a keystroke.
int MenuSessionCommand(MenuSession* s, unsigned id) {
    return s->RunCommand(id);
}

std::int32_t MenuSessionSelect(MenuSession* s, std::uintptr_t item, std::uintptr_t menu,
                               char* buffer, int size) {
    return MenuSelectProcessing(s->context, s->window, item, menu, s->first, s->state.last_command,
                                buffer, size, &s->state, menu != 0);
}

std::int32_t MenuSessionHotkey(MenuSession* s, std::uint32_t message, std::uintptr_t key) {
    return HotKeyCheck(s->context, s->window, message, key, &s->hotkeys);
}

MenuSession* NewMenuSession(std::uintptr_t context, std::uintptr_t window,
                            int (*run)(std::uintptr_t block, void* data), void* data) {
    auto* s = new MenuSession;
    s->context = context;
    s->window = window;
    s->run = run;
    s->data = data;
    return s;
}

void DeleteMenuSession(MenuSession* s) {
    delete s;
}

// The menu host: 0 when everything ran, else jolrun's exit status.
int RunMenuHost(MenuSession& s, const char* file, const char* item, bool dump) {
    if (!s.Load(file)) {
        std::fprintf(stderr, "jolrun: %s: the menu cannot be loaded\n", file);
        return 1;
    }
    if (dump) {
        DumpMenu(s, s.menu, 0);
        std::printf("last %ld\n", static_cast<long>(s.state.last_command));
        for (std::uint32_t i = 0; i < s.hotkeys.count && i < JOL_MAX_HOTKEYS; ++i)
            std::printf("hotkey 0x%04X %u\n", s.hotkeys.pairs[i].hotkey,
                        s.hotkeys.pairs[i].command);
        std::fflush(stdout);
        return 0;
    }
    int status = s.RunStartup();
    if (item) {
        if (status) return status;
        const unsigned id = FindItem(s.menu, item);
        if (!id) {
            std::fprintf(stderr, "jolrun: %s: no menu item \"%s\"\n", file, item);
            return 1;
        }
        return s.RunCommand(id);
    }
    if (RunMenuWindow(&s, &status)) return status;
    // After a reload the menus are shown again from the top.
    while (s.menu && TerminalMenu(s, s.menu, "Menu", &status) == kReload) {
    }
    std::printf("\n");
    return status;
}

} // namespace jolrun
