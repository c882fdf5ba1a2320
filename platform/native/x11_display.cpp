// The one X connection of the native backend.
#include "platform/native/x11_display.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>

namespace plat::x11 {
namespace {

std::mutex g_open_lock;
std::atomic<Display*> g_display{nullptr};
std::atomic<bool> g_tried{false};
std::atomic<bool> g_lost{false};
XErrorHandler g_previous_handler = nullptr;

std::mutex g_atom_lock;
std::map<std::string, Atom>& atoms() {
    static std::map<std::string, Atom> m;
    return m;
}

// The innermost trap of this thread; errors of our connection land there.
thread_local int* t_trap = nullptr;
thread_local int t_untrapped = 0;

int on_error(Display* d, XErrorEvent* e) {
    if (d != g_display.load(std::memory_order_acquire)) {
        // Another connection of the process (the host's own): its handler.
        return g_previous_handler ? g_previous_handler(d, e) : 0;
    }
    int* slot = t_trap ? t_trap : &t_untrapped;
    if (*slot == 0) *slot = e->error_code;
    return 0;
}

int on_io_error(Display*) {
    return 0;
}

// A lost server must not end the host: the connection is marked lost and
// every later use finds no display.
void on_io_error_exit(Display*, void*) {
    g_lost.store(true, std::memory_order_release);
}

Display* open_display() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    XInitThreads();
    Display* d = XOpenDisplay(name);
    if (!d) return nullptr;
    g_previous_handler = XSetErrorHandler(on_error);
    XSetIOErrorHandler(on_io_error);
    XSetIOErrorExitHandler(d, on_io_error_exit, nullptr);
    // Property changes of the root tell when the window list and the
    // active window change.
    XSelectInput(d, DefaultRootWindow(d), PropertyChangeMask);
    return d;
}

} // namespace

Display* display() {
    if (g_lost.load(std::memory_order_acquire)) return nullptr;
    if (Display* d = g_display.load(std::memory_order_acquire)) return d;
    if (g_tried.load(std::memory_order_acquire)) return nullptr;
    std::lock_guard<std::mutex> hold(g_open_lock);
    if (!g_tried.load(std::memory_order_relaxed)) {
        g_display.store(open_display(), std::memory_order_release);
        g_tried.store(true, std::memory_order_release);
    }
    return g_display.load(std::memory_order_acquire);
}

bool connected() {
    return g_display.load(std::memory_order_acquire) && !g_lost.load(std::memory_order_acquire);
}

Window root() {
    Display* d = display();
    return d ? DefaultRootWindow(d) : 0;
}

int screen_width() {
    Display* d = display();
    return d ? DisplayWidth(d, DefaultScreen(d)) : 0;
}

int screen_height() {
    Display* d = display();
    return d ? DisplayHeight(d, DefaultScreen(d)) : 0;
}

Atom atom(const char* name) {
    Display* d = display();
    if (!d) return None;
    std::lock_guard<std::mutex> hold(g_atom_lock);
    auto& m = atoms();
    auto it = m.find(name);
    if (it != m.end()) return it->second;
    Atom a = XInternAtom(d, name, False);
    m.emplace(name, a);
    return a;
}

// Traps nest in scope order; an inner trap's error also reaches the outer
// one when it had none of its own.
ErrorTrap::ErrorTrap() : outer_(t_trap) {
    t_trap = &error_;
}

ErrorTrap::~ErrorTrap() {
    if (Display* d = g_display.load(std::memory_order_acquire); d && !g_lost.load())
        XSync(d, False);
    t_trap = outer_;
    if (outer_ && *outer_ == 0) *outer_ = error_;
}

bool ErrorTrap::failed() {
    if (Display* d = g_display.load(std::memory_order_acquire); d && !g_lost.load())
        XSync(d, False);
    return error_ != 0 || g_lost.load(std::memory_order_acquire);
}

namespace {

// Reads a whole property of the given type and format; false when absent.
bool read_property(Window w, Atom property, Atom type, int format, std::vector<unsigned char>* raw,
                   unsigned long* count) {
    Display* d = display();
    if (!d || !w || property == None) return false;
    Atom actual_type = None;
    int actual_format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    ErrorTrap trap;
    int status = XGetWindowProperty(d, w, property, 0, 1L << 20, False, type, &actual_type,
                                    &actual_format, &items, &after, &data);
    bool ok = status == kXSuccess && !trap.failed() && actual_type != None &&
              (type == AnyPropertyType || actual_type == type) && actual_format == format;
    if (ok) {
        // Format 32 items are longs in the client's memory, whatever their
        // size on the wire.
        std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
        raw->assign(data, data + items * unit);
        *count = items;
    }
    if (data) XFree(data);
    return ok;
}

} // namespace

bool get_cardinals(Window w, const char* property, Atom type, std::vector<long>* out) {
    std::vector<unsigned char> raw;
    unsigned long n = 0;
    if (!read_property(w, atom(property), type, 32, &raw, &n)) return false;
    out->resize(n);
    for (unsigned long i = 0; i < n; ++i)
        (*out)[i] = reinterpret_cast<const long*>(raw.data())[i];
    return true;
}

bool get_window_ids(Window w, const char* property, std::vector<Window>* out) {
    std::vector<long> v;
    if (!get_cardinals(w, property, XA_WINDOW, &v)) return false;
    out->assign(v.begin(), v.end());
    return true;
}

bool get_utf8(Window w, const char* property, std::string* out) {
    std::vector<unsigned char> raw;
    unsigned long n = 0;
    if (!read_property(w, atom(property), atom("UTF8_STRING"), 8, &raw, &n)) return false;
    out->assign(raw.begin(), raw.end());
    return true;
}

bool get_text_property(Window w, Atom property, std::string* out) {
    Display* d = display();
    if (!d || !w) return false;
    XTextProperty tp{};
    ErrorTrap trap;
    if (!XGetTextProperty(d, w, &tp, property) || trap.failed() || !tp.value) {
        if (tp.value) XFree(tp.value);
        return false;
    }
    char** list = nullptr;
    int count = 0;
    bool ok = false;
    if (Xutf8TextPropertyToTextList(d, &tp, &list, &count) >= kXSuccess && list) {
        out->clear();
        for (int i = 0; i < count; ++i)
            out->append(list[i]);
        XFreeStringList(list);
        ok = true;
    } else if (tp.format == 8) {
        out->assign(reinterpret_cast<const char*>(tp.value), tp.nitems);
        ok = true;
    }
    XFree(tp.value);
    return ok;
}

void send_root_message(Window about, const char* type, long d0, long d1, long d2, long d3,
                       long d4) {
    Display* d = display();
    if (!d) return;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.serial = 0;
    e.xclient.send_event = True;
    e.xclient.display = d;
    e.xclient.window = about;
    e.xclient.message_type = atom(type);
    e.xclient.format = 32;
    e.xclient.data.l[0] = d0;
    e.xclient.data.l[1] = d1;
    e.xclient.data.l[2] = d2;
    e.xclient.data.l[3] = d3;
    e.xclient.data.l[4] = d4;
    XSendEvent(d, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(d);
}

namespace {
constexpr int kMaxHooks = 4;
EventHook g_hooks[kMaxHooks] = {};
} // namespace

void add_event_hook(EventHook hook) {
    for (EventHook& h : g_hooks) {
        if (h == hook) return;
        if (!h) {
            h = hook;
            return;
        }
    }
}

bool drain_events() {
    if (!connected()) return false;
    Display* d = g_display.load(std::memory_order_acquire);
    bool any = false;
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        for (EventHook h : g_hooks)
            if (h) h(&e);
        any = true;
    }
    return any;
}

} // namespace plat::x11
