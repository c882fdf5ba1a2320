// Window classes, the library's own windows, the message queue, input
// state and the display font of the native backend. The library's windows
// (host windows made by tests, internal windows) are records in an
// in-process window list whose handles carry bit 31, so that they never
// meet the X window ids of the desktop's windows (platform/native/
// x11_windows.cpp), to which the questions about other handles go.
// Messages go through one in-process queue; the library's windows lie on a
// virtual 1024 by 768 screen with an 8 by 16 fixed font.
#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "platform/input.h"
#include "platform/native/poll_state.h"
#include "platform/native/x11_display.h"
#include "platform/native/x11_windows.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "platform/window_system.h"

namespace plat {

namespace detail {
// Readable without the desktop's lock or the desktop itself: the run loop
// looks for messages before every line, and an empty queue needs nothing
// more.
constinit std::atomic<std::size_t> g_queued{0};
} // namespace detail

namespace {

using detail::g_queued;

struct ClassRec {
    WindowClass wc;
    std::string name;
};

struct WindowRec {
    std::string cls;
    std::string title;
    std::uint32_t style = 0;
    Rect rect;
    Hwnd parent = 0;
    Module instance = 0;
    WndProc proc = nullptr;
    std::vector<unsigned char> extra;
};

struct Desktop {
    std::recursive_mutex lock;
    std::map<std::string, ClassRec> classes; // by lower-case name
    std::map<Hwnd, WindowRec> windows;
    Hwnd next_window = 0xE0000010;
    std::deque<Msg> queue; // its length is g_queued
    Cursor cursor = 0;
    int cascade = 0;
};

Desktop& desktop() {
    static Desktop d;
    return d;
}

std::string lower(const char* s) {
    std::string r = s ? s : "";
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr unsigned kWmCreate = 0x0001;
constexpr unsigned kWmDestroy = 0x0002;
constexpr unsigned kWmNcCreate = 0x0081;

} // namespace

bool register_class(const WindowClass& wc) {
    if (!wc.name || !*wc.name || !wc.proc) {
        set_last_error(err::InvalidParameter);
        return false;
    }
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    std::string key = lower(wc.name);
    if (d.classes.count(key)) {
        set_last_error(err::ClassAlreadyExists);
        return false;
    }
    ClassRec rec;
    rec.wc = wc;
    rec.name = wc.name;
    rec.wc.name = nullptr; // the record keeps its own copy of the name
    d.classes[key] = rec;
    return true;
}

Hwnd create_window(const char* class_name, const char* title, std::uint32_t style, int x, int y,
                   int w, int h, Hwnd parent, Module instance, void* param) {
    Desktop& d = desktop();
    Hwnd handle = 0;
    WndProc proc = nullptr;
    {
        std::lock_guard<std::recursive_mutex> hold(d.lock);
        auto c = d.classes.find(lower(class_name));
        if (c == d.classes.end()) {
            set_last_error(1407); // cannot find the window class
            return 0;
        }
        if (parent && !d.windows.count(parent)) {
            set_last_error(1400); // invalid window handle
            return 0;
        }
        WindowRec rec;
        rec.cls = c->second.name;
        rec.title = title ? title : "";
        rec.style = style;
        rec.parent = parent;
        rec.instance = instance;
        rec.proc = c->second.wc.proc;
        rec.extra.assign(static_cast<std::size_t>(c->second.wc.window_extra), 0);
        // The default placement cascades top-level windows over the screen.
        if (x == kUseDefault) {
            int step = 26 * (d.cascade++ % 8);
            x = step;
            y = step;
        }
        if (w == kUseDefault) {
            w = kScreenWidth * 3 / 4;
            h = kScreenHeight * 3 / 4;
        }
        rec.rect = Rect{x, y, x + w, y + h};
        handle = d.next_window;
        d.next_window += 4;
        proc = rec.proc;
        d.windows[handle] = std::move(rec);
    }
    // The creation parameter reaches the window procedure as it does on the
    // system: the first word of the creation record.
    struct {
        void* param;
    } create{param};
    auto lp = reinterpret_cast<std::intptr_t>(&create);
    if (!proc(handle, kWmNcCreate, 0, lp) || proc(handle, kWmCreate, 0, lp) == -1) {
        std::lock_guard<std::recursive_mutex> hold(d.lock);
        d.windows.erase(handle);
        return 0;
    }
    return handle;
}

std::intptr_t JOL_STDCALL def_window_proc(Hwnd, unsigned message, std::uintptr_t, std::intptr_t) {
    return message == kWmNcCreate ? 1 : 0;
}

bool destroy_window(Hwnd w) {
    Desktop& d = desktop();
    WndProc proc = nullptr;
    std::vector<Hwnd> children;
    {
        std::lock_guard<std::recursive_mutex> hold(d.lock);
        auto it = d.windows.find(w);
        if (it == d.windows.end()) {
            set_last_error(1400);
            return false;
        }
        proc = it->second.proc;
        for (const auto& [h, rec] : d.windows)
            if (rec.parent == w) children.push_back(h);
    }
    for (Hwnd child : children)
        destroy_window(child);
    proc(w, kWmDestroy, 0, 0);
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    d.windows.erase(w);
    return true;
}

Hwnd create_message_window(const char* class_name, const char* title, Module instance,
                           void* param) {
    return create_window(class_name, title, 0, 0, 0, 0, 0, 0, instance, param);
}

std::intptr_t set_window_word(Hwnd w, int offset, std::intptr_t value) {
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    auto it = d.windows.find(w);
    if (it == d.windows.end() || offset < 0 ||
        static_cast<std::size_t>(offset) + sizeof value > it->second.extra.size())
        return 0;
    std::intptr_t old = 0;
    std::memcpy(&old, it->second.extra.data() + offset, sizeof old);
    std::memcpy(it->second.extra.data() + offset, &value, sizeof value);
    return old;
}

std::intptr_t get_window_word(Hwnd w, int offset) {
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    auto it = d.windows.find(w);
    if (it == d.windows.end() || offset < 0 ||
        static_cast<std::size_t>(offset) + sizeof(std::intptr_t) > it->second.extra.size())
        return 0;
    std::intptr_t word = 0;
    std::memcpy(&word, it->second.extra.data() + offset, sizeof word);
    return word;
}

Hwnd handle_from_id(std::uint32_t id) {
    return id; // X ids and the in-process handles are 32-bit numbers
}

bool is_window(Hwnd w) {
    if (w && !(w & x11::kInProcessBit)) return x11::is_client(w);
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    return w && d.windows.count(w) > 0;
}

Hwnd get_parent(Hwnd w) {
    if (w && !(w & x11::kInProcessBit)) return x11::is_client(w) ? x11::parent_of(w) : 0;
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    auto it = d.windows.find(w);
    return it == d.windows.end() ? 0 : it->second.parent;
}

bool get_window_rect(Hwnd w, Rect* r) {
    if (w && !(w & x11::kInProcessBit)) return r && x11::window_rect(w, r);
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    auto it = d.windows.find(w);
    if (it == d.windows.end() || !r) return false;
    *r = it->second.rect;
    return true;
}

std::uint32_t get_window_style(Hwnd w) {
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    auto it = d.windows.find(w);
    return it == d.windows.end() ? 0 : it->second.style;
}

Hwnd get_focus() {
    return 0; // no window of this process has the keyboard focus
}

bool nothing_to_poll() {
    // The cancel keys are the console's interrupt here, already counted in
    // the pending flag. Events waiting on the X connection cannot be told
    // without reading its socket, so with a display the look is made.
    return g_queued.load(std::memory_order_acquire) == 0 &&
           detail::g_cancel_pending.load(std::memory_order_relaxed) == 0 && !x11::connected();
}

bool peek_message(Msg* m, bool remove) {
    x11::drain_events();
    if (g_queued.load(std::memory_order_acquire) == 0) return false;
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    if (d.queue.empty()) return false;
    if (m) *m = d.queue.front();
    if (remove) {
        d.queue.pop_front();
        g_queued.store(d.queue.size(), std::memory_order_release);
    }
    return true;
}

bool is_dialog_message(Hwnd, Msg*) {
    return false; // dialogs of the native backend take no keyboard messages
}

void translate_message(const Msg*) {}

std::intptr_t dispatch_message(const Msg* m) {
    if (!m || !m->hwnd) return 0;
    WndProc proc = nullptr;
    {
        Desktop& d = desktop();
        std::lock_guard<std::recursive_mutex> hold(d.lock);
        auto it = d.windows.find(m->hwnd);
        if (it == d.windows.end()) return 0;
        proc = it->second.proc;
    }
    return proc(m->hwnd, m->message, m->wparam, m->lparam);
}

bool post_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    if (w && !d.windows.count(w)) {
        set_last_error(1400);
        return false;
    }
    d.queue.push_back(Msg{w, message, wparam, lparam});
    g_queued.store(d.queue.size(), std::memory_order_release);
    return true;
}

void post_quit_message(int code) {
    post_message(0, kWmQuit, static_cast<std::uintptr_t>(code), 0);
}

bool key_down(int) {
    return false; // no keyboard reaches the native desktop
}

bool system_fixed_font_metrics(TextMetrics* tm) {
    if (!tm) return false;
    *tm = TextMetrics{};
    tm->height = 16;
    tm->ascent = 13;
    tm->descent = 3;
    tm->ave_char_width = 8;
    tm->max_char_width = 8;
    tm->weight = 400;
    tm->digitized_aspect_x = 96;
    tm->digitized_aspect_y = 96;
    tm->first_char = 0x20;
    tm->last_char = 0xFF;
    tm->default_char = 0x80;
    tm->break_char = 0x20;
    tm->pitch_and_family = 0x30; // modern family, fixed pitch
    return true;
}

Cursor load_system_cursor(SystemCursor which) {
    return which == SystemCursor::Arrow ? 0x10001 : 0x10002;
}

Cursor set_cursor(Cursor c) {
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    Cursor old = d.cursor;
    d.cursor = c;
    return old;
}

bool set_window_text(Hwnd w, const char* text) {
    if (w && !(w & x11::kInProcessBit)) return x11::set_title(w, text);
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    auto it = d.windows.find(w);
    if (it == d.windows.end()) return false;
    it->second.title = text ? text : "";
    return true;
}

std::size_t get_window_text(Hwnd w, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    if (w && !(w & x11::kInProcessBit)) {
        if (!x11::is_client(w)) return 0;
        const std::string t = x11::title(w, out_size - 1);
        std::memcpy(out, t.data(), t.size());
        out[t.size()] = 0;
        return t.size();
    }
    Desktop& d = desktop();
    std::lock_guard<std::recursive_mutex> hold(d.lock);
    auto it = d.windows.find(w);
    if (it == d.windows.end()) return 0;
    std::size_t n = it->second.title.size();
    if (n > out_size - 1) n = out_size - 1;
    std::memcpy(out, it->second.title.data(), n);
    out[n] = 0;
    return n;
}

} // namespace plat
