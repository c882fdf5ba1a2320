// The library's hidden owner window on the native backend: a window of
// the in-process window list, so that posted messages reach the routes,
// and an unmapped input-only X window for the X selections.
#include <atomic>

#include "platform/native/x11_display.h"
#include "platform/native/x11_owner.h"
#include "platform/owner_routes.h"
#include "platform/owner_window.h"
#include "platform/window_system.h"

namespace plat {
namespace {

constexpr const char* kClassName = "JolOwnerWindow";
Hwnd g_window = 0;
Window g_xwindow = None;
bool g_registered = false;
std::atomic<x11::OwnerReleaseHook> g_release_hook{nullptr};

std::intptr_t JOL_STDCALL OwnerProc(Hwnd w, unsigned message, std::uintptr_t wparam,
                                    std::intptr_t lparam) {
    std::intptr_t result = 0;
    if (detail::route_owner_message(message, wparam, lparam, &result)) return result;
    return def_window_proc(w, message, wparam, lparam);
}

void make_xwindow() {
    Display* d = x11::display();
    if (!d || g_xwindow != None) return;
    x11::ErrorTrap trap;
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.event_mask = PropertyChangeMask;
    Window w = XCreateWindow(d, x11::root(), -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent,
                             CWOverrideRedirect | CWEventMask, &a);
    if (trap.failed() || w == None) return;
    XStoreName(d, w, "JOL owner");
    XFlush(d);
    g_xwindow = w;
}

} // namespace

Hwnd owner_window() {
    if (g_window && is_window(g_window)) {
        make_xwindow();
        return g_window;
    }
    g_window = 0;
    if (!g_registered) {
        WindowClass wc;
        wc.name = kClassName;
        wc.proc = OwnerProc;
        if (!register_class(wc)) return 0;
        g_registered = true;
    }
    g_window = create_window(kClassName, "", 0, 0, 0, 0, 0, 0, 0, nullptr);
    if (g_window) make_xwindow();
    return g_window;
}

bool owner_window_exists() {
    return g_window && is_window(g_window);
}

void destroy_owner_window() {
    if (x11::OwnerReleaseHook hook = g_release_hook.load()) hook();
    if (g_xwindow != None) {
        if (Display* d = x11::display()) {
            x11::ErrorTrap trap;
            XDestroyWindow(d, g_xwindow);
        }
        g_xwindow = None;
    }
    if (g_window) destroy_window(g_window);
    g_window = 0;
}

namespace x11 {

Window owner_xwindow() {
    if (!display()) return None;
    owner_window();
    return g_xwindow;
}

Window current_owner_xwindow() {
    return g_xwindow;
}

void set_owner_release_hook(OwnerReleaseHook hook) {
    g_release_hook.store(hook);
}

} // namespace x11
} // namespace plat
