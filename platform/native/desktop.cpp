// The foreground window and system sounds of the native backend. The
// backend's desktop has one foreground window, remembered here; there is
// no sound device, so no system sound ever plays.
#include <mutex>
#include <unistd.h>

#include "platform/sound.h"
#include "platform/window_system.h"

namespace plat {
namespace {

std::mutex g_foreground_lock;
Hwnd g_foreground = 0;

} // namespace

bool set_foreground_window(Hwnd w) {
    if (!is_window(w)) return false;
    std::lock_guard<std::mutex> hold(g_foreground_lock);
    g_foreground = w;
    return true;
}

Hwnd get_foreground_window() {
    Hwnd w;
    {
        std::lock_guard<std::mutex> hold(g_foreground_lock);
        w = g_foreground;
    }
    return is_window(w) ? w : 0;
}

bool play_system_sound(const char*) {
    return false;
}

bool beep() {
    if (::isatty(2)) {
        const char bell = '\a';
        return ::write(2, &bell, 1) == 1;
    }
    return true;
}

} // namespace plat
