// The windows of the desktop on the X server, through the window manager's
// conventions (EWMH and ICCCM). Handles below bit 31 are X window ids:
// the client windows of the programs (never the window manager's frames).
// The library's own in-process windows carry bit 31; the few questions
// that make sense for them are answered by platform/native/windows.cpp.
#include "platform/native/x11_windows.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/environment.h"
#include "platform/native/x11_display.h"
#include "platform/text.h"

namespace plat {
namespace x11 {
namespace {

constexpr long kSourcePager = 2; // requests on behalf of the user

Window xid(Hwnd w) {
    return static_cast<Window>(w);
}

// The WM_STATE of a client: 0 withdrawn, 1 normal, 3 iconic; -1 when the
// window has none (not managed, or no client window).
long wm_state(Window w) {
    std::vector<long> v;
    if (!get_cardinals(w, "WM_STATE", atom("WM_STATE"), &v) || v.empty()) return -1;
    return v[0];
}

// Whether the atom list `property` of w holds the atom `name`; `absent`
// when w has no such list.
bool lists_atom(Window w, const char* property, const char* name, bool absent) {
    std::vector<long> v;
    if (!get_cardinals(w, property, XA_ATOM, &v)) return absent;
    const Atom a = atom(name);
    for (long x : v)
        if (static_cast<Atom>(x) == a) return true;
    return false;
}

bool has_net_state(Window w, const char* state) {
    return lists_atom(w, "_NET_WM_STATE", state, false);
}

// False when the window manager lists the actions it allows on a window
// and `action` is not among them (a window of fixed size cannot be
// maximized); true when it lists none or no action is named.
bool allows(Window w, const char* action) {
    return !action || lists_atom(w, "_NET_WM_ALLOWED_ACTIONS", action, true);
}

// How long a request to the window manager is waited for: a state change
// (the caller reads the state next), and a move (the manager may settle
// on another rectangle, as for a window that sizes in steps of a cell).
constexpr int kStateWaitMs = 2000;
constexpr int kMoveWaitMs = 500;

// The window manager carries a request out in its own time, and a busy
// one can take a while: a caller that reads the window right after asking
// (WinState after RunIcon, WinZoom then WinPlace) must see it done. Waits
// up to `ms` for `done` to hold, reading the events meanwhile; only for a
// managed window (it carries WM_STATE) whose manager allows the action
// (nullptr: any), since otherwise nobody carries it out.
template <class Done> void await_manager(Window w, const char* action, int ms, Done done) {
    if (wm_state(w) < 0 || !allows(w, action)) return;
    XFlush(display());
    for (int waited = 0; waited < ms && !done(); waited += 10) {
        drain_events();
        sleep_ms(10);
    }
}

bool attributes(Window w, XWindowAttributes* a) {
    Display* d = display();
    if (!d || !w) return false;
    ErrorTrap trap;
    const Status s = XGetWindowAttributes(d, w, a);
    return s != 0 && !trap.failed();
}

// The client window within a frame: the window itself or the first
// descendant that carries WM_STATE.
Window client_of(Window w, int depth = 0) {
    if (wm_state(w) >= 0) return w;
    if (depth > 3) return 0;
    Display* d = display();
    Window root_ret = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    ErrorTrap trap;
    if (!XQueryTree(d, w, &root_ret, &parent, &kids, &n) || trap.failed()) return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; ++i)
        found = client_of(kids[i], depth + 1);
    if (kids) XFree(kids);
    return found;
}

std::vector<Window> children_of(Window w) {
    std::vector<Window> out;
    Display* d = display();
    if (!d) return out;
    Window root_ret = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    ErrorTrap trap;
    if (XQueryTree(d, w, &root_ret, &parent, &kids, &n) && !trap.failed())
        out.assign(kids, kids + n);
    if (kids) XFree(kids);
    return out;
}

bool has_class(Window w) {
    Display* d = display();
    XClassHint hint{};
    ErrorTrap trap;
    const bool ok = XGetClassHint(d, w, &hint) != 0 && !trap.failed();
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return ok;
}

// Client-side geometry: the client's position on the root and its size.
bool client_geometry(Window w, Rect* r) {
    Display* d = display();
    XWindowAttributes a{};
    if (!attributes(w, &a)) return false;
    int x = 0, y = 0;
    Window child = 0;
    ErrorTrap trap;
    if (!XTranslateCoordinates(d, w, root(), 0, 0, &x, &y, &child) || trap.failed()) return false;
    *r = Rect{x, y, x + a.width, y + a.height};
    return true;
}

struct Extents {
    long left = 0, right = 0, top = 0, bottom = 0;
};
Extents frame_extents(Window w) {
    Extents e;
    std::vector<long> v;
    if (get_cardinals(w, "_NET_FRAME_EXTENTS", XA_CARDINAL, &v) && v.size() >= 4) {
        e.left = v[0];
        e.right = v[1];
        e.top = v[2];
        e.bottom = v[3];
    }
    return e;
}

// Any managed window's frame extents: the sizes of the window manager's
// sizing frame and caption.
Extents some_frame() {
    std::vector<Window> list;
    if (get_window_ids(root(), "_NET_CLIENT_LIST_STACKING", &list))
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            Extents e = frame_extents(*it);
            if (e.top > 0) return e;
        }
    return Extents{};
}

void net_state(Window w, long action, const char* a1, const char* a2) {
    send_root_message(w, "_NET_WM_STATE", action, static_cast<long>(atom(a1)),
                      a2 ? static_cast<long>(atom(a2)) : 0, kSourcePager);
}

} // namespace

// Appends one UTF-16 code of a code point.
static void append_utf16(std::u16string* out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out->push_back(static_cast<char16_t>(c));
    }
}

// UTF-8 to UTF-16; a malformed byte becomes U+FFFD.
std::u16string utf8_to_utf16(const std::string& s) {
    std::u16string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int extra = b < 0x80         ? 0
                          : (b >> 5) == 6  ? 1
                          : (b >> 4) == 14 ? 2
                          : (b >> 3) == 30 ? 3
                                           : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
            out.push_back(u'\xFFFD');
            ++i;
            continue;
        }
        char32_t c = extra == 0   ? b
                     : extra == 1 ? (b & 0x1F)
                     : extra == 2 ? (b & 0x0F)
                                  : (b & 0x07);
        bool bad = false;
        for (int k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            c = (c << 6) | (t & 0x3F);
        }
        if (bad || c > 0x10FFFF) {
            out.push_back(u'\xFFFD');
            ++i;
            continue;
        }
        append_utf16(&out, c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string utf16_to_utf8(const std::u16string& w) {
    std::string out;
    for (std::size_t i = 0; i < w.size(); ++i) {
        char32_t c = w[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 &&
            w[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool is_client(Hwnd w) {
    if (!w || w >= kInProcessBit || !display()) return false;
    XWindowAttributes a{};
    return attributes(xid(w), &a);
}

std::vector<Hwnd> top_level() {
    std::vector<Hwnd> out;
    Display* d = display();
    if (!d) return out;
    std::vector<Window> stacking;
    if (get_window_ids(root(), "_NET_CLIENT_LIST_STACKING", &stacking)) {
        for (auto it = stacking.rbegin(); it != stacking.rend(); ++it)
            out.push_back(*it);
    }
    // Windows the window manager does not list: without one, the mapped
    // clients; with one, the hidden (withdrawn) windows that belong to a
    // program (they carry a class), top first.
    const bool managed = !stacking.empty();
    std::vector<Window> kids = children_of(root());
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
        XWindowAttributes a{};
        if (!attributes(*it, &a) || a.override_redirect || a.c_class == InputOnly) continue;
        Window c = 0;
        if (a.map_state == IsUnmapped) {
            if (has_class(*it)) c = *it;
        } else if (!managed) {
            c = client_of(*it);
        }
        if (!c) continue;
        bool seen = false;
        for (Hwnd h : out)
            seen = seen || h == c;
        if (!seen) out.push_back(c);
    }
    return out;
}

std::vector<Hwnd> descendants(Hwnd parent) {
    std::vector<Hwnd> out;
    if (!is_client(parent)) return out;
    std::vector<Window> todo = children_of(xid(parent));
    for (std::size_t i = 0; i < todo.size() && out.size() < 4096; ++i) {
        out.push_back(todo[i]);
        std::vector<Window> more = children_of(todo[i]);
        todo.insert(todo.begin() + static_cast<std::ptrdiff_t>(i) + 1, more.begin(), more.end());
    }
    return out;
}

std::string title_utf8(Hwnd w) {
    std::string s;
    if (!display()) return s;
    if (get_utf8(xid(w), "_NET_WM_NAME", &s)) return s;
    if (get_text_property(xid(w), XA_WM_NAME, &s)) return s;
    return std::string();
}

std::string title(Hwnd w, std::size_t max) {
    const std::u16string wide = utf8_to_utf16(title_utf8(w));
    if (wide.empty()) return std::string();
    std::string out(wide.size() * 2 + 1, '\0');
    std::size_t n = wide_to_code_page(wide.data(), wide.size(), out.data(), out.size());
    out.resize(n);
    if (out.size() > max) {
        // Cut at a character boundary.
        std::size_t keep = 0;
        while (keep < out.size()) {
            std::size_t step = is_lead_byte(static_cast<unsigned char>(out[keep])) ? 2 : 1;
            if (keep + step > max) break;
            keep += step;
        }
        out.resize(keep);
    }
    return out;
}

bool set_title(Hwnd w, const char* text) {
    Display* d = display();
    if (!is_client(w)) return false;
    const std::string cp = text ? text : "";
    std::u16string wide(cp.size() + 1, u'\0');
    wide.resize(code_page_to_wide(cp.data(), cp.size(), wide.data(), wide.size()));
    std::string utf8 = utf16_to_utf8(wide);
    ErrorTrap trap;
    XChangeProperty(d, xid(w), atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()),
                    static_cast<int>(utf8.size()));
    char* list[1] = {utf8.data()};
    XTextProperty tp{};
    if (Xutf8TextListToTextProperty(d, list, 1, XStdICCTextStyle, &tp) >= kXSuccess) {
        XSetWMName(d, xid(w), &tp);
        if (tp.value) XFree(tp.value);
    }
    return !trap.failed();
}

std::string class_name(Hwnd w) {
    std::string out;
    Display* d = display();
    if (!is_client(w)) return out;
    XClassHint hint{};
    ErrorTrap trap;
    if (XGetClassHint(d, xid(w), &hint) && !trap.failed() && hint.res_class) out = hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return out;
}

std::string instance_name(Hwnd w) {
    std::string out;
    Display* d = display();
    if (!is_client(w)) return out;
    XClassHint hint{};
    ErrorTrap trap;
    if (XGetClassHint(d, xid(w), &hint) && !trap.failed() && hint.res_name) out = hint.res_name;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return out;
}

Hwnd parent_of(Hwnd w) {
    Display* d = display();
    if (!d || !w) return 0;
    Window root_ret = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    ErrorTrap trap;
    const bool ok = XQueryTree(d, xid(w), &root_ret, &parent, &kids, &n) && !trap.failed();
    if (kids) XFree(kids);
    if (!ok || parent == root_ret) return 0;
    // A managed client's parent is the window manager's frame: no parent.
    if (wm_state(xid(w)) >= 0) return 0;
    return parent;
}

bool is_visible(Hwnd w) {
    XWindowAttributes a{};
    if (!is_client(w) || !attributes(xid(w), &a)) return false;
    if (a.map_state != IsUnmapped) return true;
    const long st = wm_state(xid(w));
    return st == 1 || st == 3; // an iconic window is still shown as an icon
}

bool is_minimized(Hwnd w) {
    if (!is_client(w)) return false;
    return wm_state(xid(w)) == 3 || has_net_state(xid(w), "_NET_WM_STATE_HIDDEN");
}

bool is_maximized(Hwnd w) {
    if (!is_client(w)) return false;
    return has_net_state(xid(w), "_NET_WM_STATE_MAXIMIZED_VERT") &&
           has_net_state(xid(w), "_NET_WM_STATE_MAXIMIZED_HORZ");
}

Hwnd active() {
    std::vector<Window> v;
    if (!display() || !get_window_ids(root(), "_NET_ACTIVE_WINDOW", &v) || v.empty()) return 0;
    return v[0];
}

bool request_active(Hwnd w) {
    if (!is_client(w)) return false;
    Display* d = display();
    // An iconic window is mapped again first (ICCCM: map to leave the
    // iconic state); the activation request raises and focuses it.
    if (wm_state(xid(w)) == 3) XMapWindow(d, xid(w));
    send_root_message(xid(w), "_NET_ACTIVE_WINDOW", kSourcePager, CurrentTime, 0);
    return true;
}

bool is_transient_for(Hwnd w, Hwnd owner) {
    Display* d = display();
    if (!d || !w || !owner) return false;
    Window t = 0;
    ErrorTrap trap;
    return XGetTransientForHint(d, xid(w), &t) && !trap.failed() && t == xid(owner);
}

bool show(Hwnd w, int how) {
    Display* d = display();
    if (!is_client(w)) return false;
    ErrorTrap trap;
    switch (static_cast<desk::Show>(how)) {
    case desk::Show::Hide:
        XWithdrawWindow(d, xid(w), DefaultScreen(d));
        break;
    case desk::Show::Show:
    case desk::Show::ShowNoActive:
        XMapWindow(d, xid(w));
        break;
    case desk::Show::ShowMinNoActive:
        XIconifyWindow(d, xid(w), DefaultScreen(d));
        await_manager(xid(w), "_NET_WM_ACTION_MINIMIZE", kStateWaitMs,
                      [w] { return is_minimized(w); });
        break;
    case desk::Show::ShowMaximized:
        XMapWindow(d, xid(w));
        net_state(xid(w), 1, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
        await_manager(xid(w), "_NET_WM_ACTION_MAXIMIZE_VERT", kStateWaitMs,
                      [w] { return is_maximized(w); });
        break;
    }
    XFlush(d);
    return !trap.failed();
}

bool command(Hwnd w, int c) {
    Display* d = display();
    if (!is_client(w)) return false;
    ErrorTrap trap;
    switch (static_cast<desk::Command>(c)) {
    case desk::Command::Close:
        send_root_message(xid(w), "_NET_CLOSE_WINDOW", CurrentTime, kSourcePager);
        break;
    case desk::Command::Restore:
        net_state(xid(w), 0, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
        if (wm_state(xid(w)) == 3) XMapWindow(d, xid(w));
        await_manager(xid(w), nullptr, kStateWaitMs,
                      [w] { return !is_minimized(w) && !is_maximized(w); });
        break;
    case desk::Command::Minimize:
        XIconifyWindow(d, xid(w), DefaultScreen(d));
        await_manager(xid(w), "_NET_WM_ACTION_MINIMIZE", kStateWaitMs,
                      [w] { return is_minimized(w); });
        break;
    case desk::Command::Maximize:
        if (wm_state(xid(w)) == 3) XMapWindow(d, xid(w));
        net_state(xid(w), 1, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
        await_manager(xid(w), "_NET_WM_ACTION_MAXIMIZE_VERT", kStateWaitMs,
                      [w] { return is_maximized(w); });
        break;
    }
    XFlush(d);
    return !trap.failed();
}

bool window_rect(Hwnd w, Rect* r) {
    if (!is_client(w)) return false;
    Rect c;
    if (!client_geometry(xid(w), &c)) return false;
    const Extents e = frame_extents(xid(w));
    *r = Rect{c.left - static_cast<std::int32_t>(e.left), c.top - static_cast<std::int32_t>(e.top),
              c.right + static_cast<std::int32_t>(e.right),
              c.bottom + static_cast<std::int32_t>(e.bottom)};
    return true;
}

bool client_rect(Hwnd w, Rect* r) {
    return is_client(w) && client_geometry(xid(w), r);
}

bool move_window(Hwnd w, const Rect& r) {
    Display* d = display();
    if (!is_client(w)) return false;
    const Extents e = frame_extents(xid(w));
    const long width = std::max<long>(1, r.right - r.left - e.left - e.right);
    const long height = std::max<long>(1, r.bottom - r.top - e.top - e.bottom);
    // North-west gravity: the position is the frame's; the size the
    // client's. All four fields given, on behalf of the user.
    const long flags = 1 | (0xF << 8) | (kSourcePager << 12);
    send_root_message(xid(w), "_NET_MOVERESIZE_WINDOW", flags, r.left, r.top, width, height);
    await_manager(xid(w), nullptr, kMoveWaitMs, [&] {
        Rect now;
        return window_rect(w, &now) && now.left == r.left && now.top == r.top &&
               now.right - now.left == width + e.left + e.right &&
               now.bottom - now.top == height + e.top + e.bottom;
    });
    XSync(d, False);
    return true;
}

bool work_area(Rect* r) {
    std::vector<long> v;
    if (!display()) return false;
    if (get_cardinals(root(), "_NET_WORKAREA", XA_CARDINAL, &v) && v.size() >= 4) {
        *r = Rect{static_cast<std::int32_t>(v[0]), static_cast<std::int32_t>(v[1]),
                  static_cast<std::int32_t>(v[0] + v[2]), static_cast<std::int32_t>(v[1] + v[3])};
        return true;
    }
    *r = Rect{0, 0, screen_width(), screen_height()};
    return true;
}

bool can_arrange(Hwnd w) {
    if (!is_client(w) || is_minimized(w)) return false;
    XWindowAttributes a{};
    if (!attributes(xid(w), &a) || a.map_state != IsViewable || a.override_redirect) return false;
    std::vector<long> types;
    if (get_cardinals(xid(w), "_NET_WM_WINDOW_TYPE", XA_ATOM, &types))
        for (long t : types)
            if (static_cast<Atom>(t) != atom("_NET_WM_WINDOW_TYPE_NORMAL")) return false;
    // A window whose least and greatest sizes agree has no sizing border.
    XSizeHints hints{};
    long supplied = 0;
    ErrorTrap trap;
    if (XGetWMNormalHints(display(), xid(w), &hints, &supplied) && !trap.failed() &&
        (hints.flags & PMinSize) && (hints.flags & PMaxSize) &&
        hints.min_width == hints.max_width && hints.min_height == hints.max_height)
        return false;
    return true;
}

int frame_size(int which) {
    const Extents e = some_frame();
    switch (which) {
    case 0:
        return static_cast<int>(e.left);
    case 1:
        return static_cast<int>(e.bottom);
    default:
        return static_cast<int>(e.top - e.bottom);
    }
}

bool get_placement(Hwnd w, desk::Placement* p) {
    if (!is_client(w) || !window_rect(w, &p->normal)) return false;
    Display* d = display();
    XWMHints* hints = XGetWMHints(d, xid(w));
    p->min_x = p->min_y = 0;
    if (hints) {
        if (hints->flags & IconPositionHint) {
            p->min_x = hints->icon_x;
            p->min_y = hints->icon_y;
        }
        XFree(hints);
    }
    Rect wa;
    work_area(&wa);
    p->max_x = wa.left;
    p->max_y = wa.top;
    return true;
}

bool set_placement(Hwnd w, const desk::Placement& p, int part) {
    Display* d = display();
    if (!is_client(w)) return false;
    switch (static_cast<desk::PlacementPart>(part)) {
    case desk::PlacementPart::Normal:
        return move_window(w, p.normal);
    case desk::PlacementPart::Minimized: {
        XWMHints* old = XGetWMHints(d, xid(w));
        XWMHints hints{};
        if (old) {
            hints = *old;
            XFree(old);
        }
        hints.flags |= IconPositionHint;
        hints.icon_x = p.min_x;
        hints.icon_y = p.min_y;
        ErrorTrap trap;
        XSetWMHints(d, xid(w), &hints);
        return !trap.failed();
    }
    case desk::PlacementPart::Maximized:
        break;
    }
    return false;
}

std::uint32_t process_of(Hwnd w) {
    std::vector<long> v;
    if (!is_client(w) || !get_cardinals(xid(w), "_NET_WM_PID", XA_CARDINAL, &v) || v.empty())
        return 0;
    return static_cast<std::uint32_t>(v[0]);
}

int min_size(bool height) {
    const Extents e = some_frame();
    return static_cast<int>(height ? e.top + e.bottom : e.left + e.right) + 1;
}

} // namespace x11
} // namespace plat
