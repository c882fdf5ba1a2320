// The desktop of the native backend: the X server named by DISPLAY, its
// window manager and its windows (platform/native/x11_windows.cpp). The
// library's own in-process windows are no part of it; the foreground
// remembered for them serves the library's boxes only while there is no
// display.
#include <dirent.h>
#include <mutex>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/desktop.h"
#include "platform/native/x11_display.h"
#include "platform/native/x11_windows.h"
#include "platform/processes.h"
#include "platform/window_system.h"

namespace plat {
namespace {

std::mutex g_foreground_lock;
Hwnd g_foreground = 0;

bool in_process(Hwnd w) {
    return (w & x11::kInProcessBit) != 0;
}

} // namespace

bool set_foreground_window(Hwnd w) {
    if (!w) return false;
    if (!in_process(w)) return x11::request_active(w);
    if (!is_window(w)) return false;
    std::lock_guard<std::mutex> hold(g_foreground_lock);
    g_foreground = w;
    return true;
}

Hwnd get_foreground_window() {
    if (x11::display()) return x11::active();
    Hwnd w;
    {
        std::lock_guard<std::mutex> hold(g_foreground_lock);
        w = g_foreground;
    }
    return is_window(w) ? w : 0;
}

namespace desk {

bool available() {
    return x11::display() != nullptr;
}

std::vector<Hwnd> top_level_windows() {
    return x11::top_level();
}

std::vector<Hwnd> descendants(Hwnd parent) {
    return x11::descendants(parent);
}

// The windows are listed first, so that a callback that acts on a window
// (closes it) does not disturb the walk.
void enum_windows(EnumProc proc, std::intptr_t data) {
    for (Hwnd w : x11::top_level())
        if (!proc(w, data)) return;
}

void enum_child_windows(Hwnd parent, EnumProc proc, std::intptr_t data) {
    for (Hwnd w : x11::descendants(parent))
        if (!proc(w, data)) return;
}

std::string title(Hwnd w, std::size_t max) {
    if (in_process(w)) {
        std::string out(max + 1, '\0');
        out.resize(get_window_text(w, out.data(), out.size()));
        return out;
    }
    return x11::is_client(w) ? x11::title(w, max) : std::string();
}

bool set_title(Hwnd w, const char* text) {
    return set_window_text(w, text);
}

std::string class_name(Hwnd w) {
    return x11::class_name(w);
}

std::string class_module(Hwnd) {
    return std::string(); // X keeps no module of a window's class
}

bool is_visible(Hwnd w) {
    return x11::is_visible(w);
}

bool is_enabled(Hwnd w) {
    return x11::is_client(w);
}

bool is_minimized(Hwnd w) {
    return x11::is_minimized(w);
}

bool is_maximized(Hwnd w) {
    return x11::is_maximized(w);
}

Hwnd foreground() {
    return x11::active();
}

bool request_foreground(Hwnd w) {
    return x11::request_active(w);
}

bool set_focus(Hwnd) {
    return false; // the window manager focuses the active window's client
}

Hwnd top_child(Hwnd w) {
    std::vector<Hwnd> kids = x11::descendants(w);
    return kids.empty() ? 0 : kids.back();
}

bool is_owned_by(Hwnd w, Hwnd owner) {
    return x11::is_transient_for(w, owner);
}

bool show(Hwnd w, Show how) {
    return x11::show(w, static_cast<int>(how));
}

bool command(Hwnd w, Command c) {
    return x11::command(w, static_cast<int>(c));
}

bool window_rect(Hwnd w, Rect* r) {
    if (in_process(w)) return get_window_rect(w, r);
    return x11::window_rect(w, r);
}

bool move_window(Hwnd w, const Rect& r) {
    return x11::move_window(w, r);
}

int screen_width() {
    return x11::screen_width();
}

int screen_height() {
    return x11::screen_height();
}

int min_width() {
    return x11::display() ? x11::min_size(false) : 0;
}

int min_height() {
    return x11::display() ? x11::min_size(true) : 0;
}

int frame_width() {
    return x11::display() ? x11::frame_size(0) : 0;
}

int frame_height() {
    return x11::display() ? x11::frame_size(1) : 0;
}

int caption_height() {
    return x11::display() ? x11::frame_size(2) : 0;
}

bool work_area(Rect* r) {
    return x11::work_area(r);
}

bool can_arrange(Hwnd w) {
    return x11::can_arrange(w);
}

int default_bottom(int measured) {
    Rect wa;
    if (x11::display() && x11::work_area(&wa)) return wa.bottom;
    return measured;
}

bool get_placement(Hwnd w, Placement* p) {
    return x11::get_placement(w, p);
}

bool set_placement(Hwnd w, const Placement& p, PlacementPart part) {
    return x11::set_placement(w, p, static_cast<int>(part));
}

bool arrange_icons() {
    return false;
}

std::uint32_t window_process(Hwnd w) {
    if (in_process(w)) return is_window(w) ? current_process_id() : 0;
    return x11::process_of(w);
}

Hwnd find_by_class(const char* name) {
    if (!name) return 0;
    for (Hwnd w : x11::top_level()) {
        if (::strcasecmp(x11::class_name(w).c_str(), name) == 0 ||
            ::strcasecmp(x11::instance_name(w).c_str(), name) == 0)
            return w;
    }
    return 0;
}

bool message_box_text(const char*, std::string*) {
    return false; // X cannot read the text a client draws
}

bool send_text_message(Hwnd, unsigned, std::uintptr_t, const char*) {
    return false;
}

bool send_message(Hwnd, unsigned, std::uintptr_t, std::intptr_t) {
    return false;
}

bool post_window_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    return in_process(w) && post_message(w, message, wparam, lparam);
}

int wait_input_idle(Hwnd, std::uint32_t) {
    return -1;
}

bool can_wait_input_idle() {
    return false;
}

} // namespace desk

// ------------------------------------------------------------ processes
bool process_program(std::uint32_t pid, std::string* out) {
    if (!pid || !out) return false;
    const std::string base = "/proc/" + std::to_string(pid);
    char buf[4096];
    ssize_t n = ::readlink((base + "/exe").c_str(), buf, sizeof buf - 1);
    if (n > 0) {
        buf[n] = 0;
        *out = buf;
        const std::string deleted = " (deleted)";
        if (out->size() > deleted.size() &&
            out->compare(out->size() - deleted.size(), deleted.size(), deleted) == 0)
            out->resize(out->size() - deleted.size());
        return true;
    }
    // Another user's process: the name the kernel keeps (15 characters).
    FILE* f = std::fopen((base + "/comm").c_str(), "r");
    if (!f) return false;
    std::string name;
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n')
        name.push_back(static_cast<char>(c));
    std::fclose(f);
    if (name.empty()) return false;
    *out = name;
    return true;
}

std::vector<ProcessEntry> list_processes() {
    std::vector<ProcessEntry> out;
    DIR* dir = ::opendir("/proc");
    if (!dir) return out;
    while (dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        const unsigned long pid = std::strtoul(e->d_name, &end, 10);
        if (!pid || *end) continue;
        ProcessEntry p;
        p.pid = static_cast<std::uint32_t>(pid);
        if (process_program(p.pid, &p.program)) out.push_back(std::move(p));
    }
    ::closedir(dir);
    return out;
}

std::uint32_t current_process_id() {
    return static_cast<std::uint32_t>(::getpid());
}

} // namespace plat
