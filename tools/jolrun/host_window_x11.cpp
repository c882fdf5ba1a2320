// The host window on Linux: a top-level X window on jolrun's own
// connection to the display named by DISPLAY. Its X window id is the
// handle the library receives. The window is mapped and the requests
// flushed before the script starts; the connection closes at exit.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "jol.h"

namespace jolrun {
namespace {

Display* g_display = nullptr;
Window g_window = 0;

} // namespace

// Declared where jolrun uses them (main.cpp): a program built on the
// library includes no header of its own folder, only the library's.
std::uintptr_t OpenHostWindow(const char* title, std::string* why);
void CloseHostWindow();

std::uintptr_t OpenHostWindow(const char* title, std::string* why) {
    CloseHostWindow();
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        *why = "no display to show the window on (DISPLAY is not set)";
        return 0;
    }
    Display* display = XOpenDisplay(name);
    if (!display) {
        *why = std::string("cannot open the display ") + name;
        return 0;
    }
    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 400, 300, 1,
                            BlackPixel(display, screen), WhitePixel(display, screen));
    // The title as WM_NAME (for older tools) and as _NET_WM_NAME in UTF-8,
    // which current window managers and tools read.
    XStoreName(display, window, title);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom net_name = XInternAtom(display, "_NET_WM_NAME", False);
    XChangeProperty(display, window, net_name, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    char res_name[] = "jolrun";
    char res_class[] = "JolRun";
    XClassHint hint = {res_name, res_class};
    XSetClassHint(display, window, &hint);
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &delete_window, 1);
    XMapWindow(display, window);
    XFlush(display);
    g_display = display;
    g_window = window;
    return static_cast<std::uintptr_t>(window);
}

void CloseHostWindow() {
    if (g_display) {
        if (g_window) XDestroyWindow(g_display, g_window);
        XCloseDisplay(g_display);
    }
    g_display = nullptr;
    g_window = 0;
}

// Menus on Linux: the library's menu records, presented on the terminal
// (tools/jolrun/menu_host.cpp); an X window has no menu bar.
struct MenuSession;
std::uintptr_t AttachMenu(std::uintptr_t window, std::uintptr_t menu);
int MenuItemCount(std::uintptr_t menu);
bool ReadMenuItem(std::uintptr_t menu, int position, JolMenuItem* out);
bool RunMenuWindow(MenuSession* session, int* status);

std::uintptr_t AttachMenu(std::uintptr_t, std::uintptr_t menu) {
    return menu;
}

int MenuItemCount(std::uintptr_t menu) {
    return JolMenuItemCount(menu);
}

bool ReadMenuItem(std::uintptr_t menu, int position, JolMenuItem* out) {
    return JolGetMenuItem(menu, position, out) != 0;
}

bool RunMenuWindow(MenuSession*, int*) {
    return false;
}

} // namespace jolrun
