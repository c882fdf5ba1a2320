// The clipboard of the native backend: the X selection CLIPBOARD.
//
// What the library puts there it owns through the owner window's X window
// and serves from the message pump (the event hook below sees every event
// the pump reads). Reading another owner's data converts the selection
// into a property of the owner window and waits a bounded time for the
// answer, following incremental transfers. When the owner window goes,
// the content is handed to the desktop's clipboard manager, or else to a
// keeper process of its own connection that serves it until another
// program takes the selection.
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "platform/clipboard.h"
#include "platform/native/x11_display.h"
#include "platform/native/x11_owner.h"
#include "platform/native/x11_windows.h"
#include "platform/owner_window.h"
#include "platform/text.h"

namespace plat::clip {
namespace {

using x11::atom;

// The longest wait for another program's answer, per step.
constexpr int kAnswerWaitMs = 3000;
// The most data read from another program's selection.
constexpr std::size_t kReadLimit = 16u << 20;

// One form of the content: the target that names it, the type it is
// written as and its bytes.
struct Form {
    const char* target;
    const char* type;
    std::string data;
};

// An incremental transfer to another program in progress.
struct Outgoing {
    Window requestor;
    Atom property;
    Atom type;
    std::string data; // a copy: the content may change meanwhile
    std::size_t offset;
};

// What one connection serves: the forms and the transfers in progress.
struct Served {
    std::vector<Form> forms;
    std::list<Outgoing> outgoing;
};

Served g_served;            // the library's content (its connection)
bool g_owned = false;       // the library owns CLIPBOARD now
bool g_handler_set = false; // the event hook and the release hook are in place

// What the reading side waits for.
struct Awaited {
    bool notified = false;
    Atom property = None;
    unsigned long new_values = 0; // PropertyNotify NewValue on the read property
};
Awaited g_awaited;

std::size_t chunk_size(Display* d) {
    const long words = XMaxRequestSize(d);
    const std::size_t bytes = words > 0 ? static_cast<std::size_t>(words) * 4 : 16384;
    return bytes > 65536 + 1024 ? 65536 : bytes - 1024;
}

bool targets_list(Display* d, const Served& s, std::vector<Atom>* out) {
    out->clear();
    out->push_back(XInternAtom(d, "TARGETS", False));
    out->push_back(XInternAtom(d, "TIMESTAMP", False));
    for (const Form& f : s.forms)
        out->push_back(XInternAtom(d, f.target, False));
    return true;
}

void send_notify(Display* d, const XSelectionRequestEvent& req, Atom property) {
    XEvent ev{};
    ev.xselection.type = SelectionNotify;
    ev.xselection.display = d;
    ev.xselection.requestor = req.requestor;
    ev.xselection.selection = req.selection;
    ev.xselection.target = req.target;
    ev.xselection.property = property;
    ev.xselection.time = req.time;
    XSendEvent(d, req.requestor, False, NoEventMask, &ev);
}

// Answers one request for the content of s.
void serve_request(Display* d, Served* s, const XSelectionRequestEvent& req) {
    // Clients of the old protocol name no property: the target stands in.
    const Atom property = req.property != None ? req.property : req.target;
    Atom answered = None;
    if (req.target == XInternAtom(d, "TARGETS", False)) {
        std::vector<Atom> list;
        targets_list(d, *s, &list);
        XChangeProperty(d, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list.data()),
                        static_cast<int>(list.size()));
        answered = property;
    } else if (req.target == XInternAtom(d, "TIMESTAMP", False)) {
        long stamp = static_cast<long>(CurrentTime);
        XChangeProperty(d, req.requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&stamp), 1);
        answered = property;
    } else {
        for (const Form& f : s->forms) {
            if (req.target != XInternAtom(d, f.target, False)) continue;
            const Atom type = XInternAtom(d, f.type, False);
            if (f.data.size() > chunk_size(d)) {
                // Incremental: the size first; each deletion of the
                // property by the requestor asks for the next piece.
                XSelectInput(d, req.requestor, PropertyChangeMask);
                long size = static_cast<long>(f.data.size());
                XChangeProperty(d, req.requestor, property, XInternAtom(d, "INCR", False), 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
                s->outgoing.push_back(Outgoing{req.requestor, property, type, f.data, 0});
            } else {
                XChangeProperty(d, req.requestor, property, type, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(f.data.data()),
                                static_cast<int>(f.data.size()));
            }
            answered = property;
            break;
        }
    }
    send_notify(d, req, answered);
}

// The next piece of an incremental transfer, when its requestor deleted
// the last one; true when the event belonged to one.
bool continue_outgoing(Display* d, Served* s, const XPropertyEvent& e) {
    if (e.state != PropertyDelete) return false;
    for (auto it = s->outgoing.begin(); it != s->outgoing.end(); ++it) {
        if (it->requestor != e.window || it->property != e.atom) continue;
        const std::size_t n = std::min(chunk_size(d), it->data.size() - it->offset);
        XChangeProperty(d, it->requestor, it->property, it->type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(it->data.data() + it->offset),
                        static_cast<int>(n));
        it->offset += n;
        // The zero-length piece ends the transfer.
        if (n == 0) {
            XSelectInput(d, it->requestor, NoEventMask);
            s->outgoing.erase(it);
        }
        return true;
    }
    return false;
}

// The library's connection: every event the pump reads passes here.
void on_event(XEvent* e) {
    Display* d = x11::display();
    const Window me = x11::current_owner_xwindow();
    if (!d || me == None) return;
    const Atom clipboard = atom("CLIPBOARD");
    switch (e->type) {
    case SelectionRequest:
        if (e->xselectionrequest.owner == me && e->xselectionrequest.selection == clipboard) {
            x11::ErrorTrap trap; // a requestor that vanished is no fault of ours
            serve_request(d, &g_served, e->xselectionrequest);
            XFlush(d);
        }
        break;
    case SelectionClear:
        // A clear caused by our own emptying may arrive after we took the
        // selection again: only the server's present owner counts.
        if (e->xselectionclear.window == me && e->xselectionclear.selection == clipboard &&
            XGetSelectionOwner(d, clipboard) != me) {
            g_owned = false;
            g_served.forms.clear();
        }
        break;
    case SelectionNotify:
        if (e->xselection.requestor == me) {
            g_awaited.notified = true;
            g_awaited.property = e->xselection.property;
        }
        break;
    case PropertyNotify: {
        x11::ErrorTrap trap;
        if (continue_outgoing(d, &g_served, e->xproperty)) {
            XFlush(d);
            break;
        }
        if (e->xproperty.window == me && e->xproperty.atom == atom("JOL_SELECTION") &&
            e->xproperty.state == PropertyNewValue)
            ++g_awaited.new_values;
        break;
    }
    default:
        break;
    }
}

// Waits (reading events) until done() holds or the time is up.
template <typename Done> bool wait_for(Done done, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    Display* d = x11::display();
    while (!done()) {
        if (!d || !x11::connected()) return false;
        if (std::chrono::steady_clock::now() >= until) return false;
        XFlush(d);
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        if (XPending(d) == 0) poll(&p, 1, 5);
        x11::drain_events();
    }
    return true;
}

void release_hook();

void ensure_hooks() {
    if (g_handler_set) return;
    x11::add_event_hook(on_event);
    x11::set_owner_release_hook(release_hook);
    g_handler_set = true;
}

// Reads the whole property (deleting it); its type into *type.
bool take_property(Display* d, Window w, Atom property, Atom* type, int* format, std::string* out) {
    out->clear();
    long offset = 0;
    for (;;) {
        Atom actual = None;
        int fmt = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        x11::ErrorTrap trap;
        const int status =
            XGetWindowProperty(d, w, property, offset, 1 << 16, False, AnyPropertyType, &actual,
                               &fmt, &items, &after, &data);
        if (status != x11::kXSuccess || trap.failed() || actual == None) {
            if (data) XFree(data);
            return false;
        }
        const std::size_t unit = fmt == 32 ? sizeof(long) : static_cast<std::size_t>(fmt / 8);
        if (data) out->append(reinterpret_cast<const char*>(data), items * unit);
        if (data) XFree(data);
        *type = actual;
        *format = fmt;
        // Offsets count 32-bit units of the property on the server.
        offset += static_cast<long>(items * static_cast<unsigned long>(fmt) / 32);
        if (after == 0 || out->size() > kReadLimit) break;
    }
    XDeleteProperty(d, w, property);
    XFlush(d);
    return true;
}

enum class Got { Data, Refused, NoAnswer };

// Converts CLIPBOARD to the target into the owner window's property and
// reads the answer, pieces of an incremental transfer included.
Got convert(Atom target, std::string* out, Atom* type) {
    Display* d = x11::display();
    const Window me = x11::owner_xwindow();
    const Atom property = atom("JOL_SELECTION");
    XDeleteProperty(d, me, property);
    g_awaited = Awaited{};
    XConvertSelection(d, atom("CLIPBOARD"), target, property, me, CurrentTime);
    XFlush(d);
    if (!wait_for([] { return g_awaited.notified; }, kAnswerWaitMs)) return Got::NoAnswer;
    if (g_awaited.property == None) return Got::Refused;
    int format = 0;
    const unsigned long seen = g_awaited.new_values;
    if (!take_property(d, me, property, type, &format, out)) return Got::Refused;
    if (*type != atom("INCR")) return Got::Data;
    // Incremental: each new value is a piece; the empty one ends it.
    out->clear();
    unsigned long taken = seen;
    for (;;) {
        if (!wait_for([&] { return g_awaited.new_values > taken; }, kAnswerWaitMs))
            return Got::NoAnswer;
        taken = g_awaited.new_values;
        std::string piece;
        if (!take_property(d, me, property, type, &format, &piece)) continue;
        if (piece.empty()) break;
        if (out->size() + piece.size() > kReadLimit) {
            out->append(piece.substr(0, kReadLimit - out->size()));
            continue; // the rest is read and dropped, so that the owner finishes
        }
        out->append(piece);
    }
    return Got::Data;
}

// UTF-8 to the code page, through UTF-16; malformed bytes become U+FFFD.
std::string utf8_to_code_page(const std::string& s) {
    const std::u16string w = x11::utf8_to_utf16(s);
    std::string out(w.size() * 2 + 1, '\0');
    out.resize(wide_to_code_page(w.data(), w.size(), out.data(), out.size()));
    return out;
}

// The code page to UTF-16.
std::u16string code_page_to_utf16(const char* text, std::size_t len) {
    std::u16string w(len + 1, u'\0');
    w.resize(code_page_to_wide(text, len, w.data(), w.size()));
    return w;
}

std::string utf16_to_latin1(const std::u16string& w) {
    std::string out;
    out.reserve(w.size());
    for (char16_t c : w)
        out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

std::string latin1_to_utf8(const std::string& s) {
    std::u16string w;
    for (char c : s)
        w.push_back(static_cast<unsigned char>(c));
    return x11::utf16_to_utf8(w);
}

bool take_ownership(std::vector<Form> forms) {
    Display* d = x11::display();
    const Window me = x11::owner_xwindow();
    if (!d || me == None) return false;
    ensure_hooks();
    g_served.forms = std::move(forms);
    XSetSelectionOwner(d, atom("CLIPBOARD"), me, CurrentTime);
    XFlush(d);
    g_owned = XGetSelectionOwner(d, atom("CLIPBOARD")) == me;
    if (!g_owned) g_served.forms.clear();
    return g_owned;
}

// ------------------------------------------------------------- keeping

Served* g_keeper_served = nullptr;

int keeper_error(Display*, XErrorEvent*) {
    return 0;
}

int keeper_io_error(Display*) {
    _exit(0);
}

// The keeper process: its own connection, the selection, and the
// requests for it until another program takes it.
[[noreturn]] void run_keeper(const std::string& display_name, int ready_fd) {
    XSetErrorHandler(keeper_error);
    XSetIOErrorHandler(keeper_io_error);
    Display* d = XOpenDisplay(display_name.c_str());
    if (!d) _exit(1);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    Window w = XCreateWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, InputOnly,
                             CopyFromParent, CWOverrideRedirect, &a);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    XSetSelectionOwner(d, clipboard, w, CurrentTime);
    const bool owner = XGetSelectionOwner(d, clipboard) == w;
    const char byte = owner ? '1' : '0';
    if (write(ready_fd, &byte, 1) < 0) _exit(1);
    ::close(ready_fd);
    if (!owner) _exit(1);
    Served* s = g_keeper_served;
    bool cleared = false;
    while (!cleared || !s->outgoing.empty()) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == SelectionRequest && e.xselectionrequest.selection == clipboard && !cleared)
            serve_request(d, s, e.xselectionrequest);
        else if (e.type == SelectionClear && e.xselectionclear.selection == clipboard)
            cleared = true;
        else if (e.type == PropertyNotify)
            continue_outgoing(d, s, e.xproperty);
        XFlush(d);
    }
    _exit(0);
}

// Starts a keeper of the content; true once it owns the selection.
bool start_keeper(Display* d) {
    const std::string name = DisplayString(d);
    int fds[2];
    if (pipe(fds) != 0) return false;
    g_keeper_served = &g_served;
    const pid_t child = fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (child == 0) {
        // The keeper is a grandchild, so that no one need wait for it,
        // in a session of its own, with no file of the host open.
        if (fork() != 0) _exit(0);
        setsid();
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        const long max_fd = sysconf(_SC_OPEN_MAX);
        for (int fd = 3; fd < (max_fd > 0 && max_fd < 65536 ? max_fd : 1024); ++fd)
            if (fd != fds[1]) ::close(fd);
        run_keeper(name, fds[1]);
    }
    ::close(fds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    char byte = '0';
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, kAnswerWaitMs) == 1 && read(fds[0], &byte, 1) != 1) byte = '0';
    ::close(fds[0]);
    return byte == '1';
}

// Before the owner window goes: the content, when the library still owns
// the selection, goes to the clipboard manager or to a keeper.
void release_hook() {
    Display* d = x11::display();
    if (!d || !g_owned || g_served.forms.empty()) return;
    const Window me = x11::owner_xwindow();
    if (XGetSelectionOwner(d, atom("CLIPBOARD")) != me) return;
    if (XGetSelectionOwner(d, atom("CLIPBOARD_MANAGER")) != None) {
        // The manager asks for the targets and saves them (served from
        // the pump while we wait); its notification says whether it did.
        g_awaited = Awaited{};
        XConvertSelection(d, atom("CLIPBOARD_MANAGER"), atom("SAVE_TARGETS"), None, me,
                          CurrentTime);
        XFlush(d);
        if (wait_for([] { return g_awaited.notified; }, kAnswerWaitMs) &&
            g_awaited.property != None) {
            g_owned = false;
            return;
        }
    }
    start_keeper(d);
    g_owned = false;
    g_served.forms.clear();
    g_served.outgoing.clear();
}

// ---------------------------------------------------------- snapshots

void png_write(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), length);
}

void png_flush(png_structp) {}

bool encode_png(const std::vector<unsigned char>& rgb, int width, int height, std::string* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, png_write, png_flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    for (int y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(
            rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void put_le(std::string* s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A bottom-up 24-bit device-independent bitmap with its file header.
std::string encode_bmp(const std::vector<unsigned char>& rgb, int width, int height) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t image = stride * static_cast<std::uint32_t>(height);
    std::string s;
    s.reserve(54 + image);
    s += "BM";
    put_le(&s, 54 + image, 4);
    put_le(&s, 0, 4);
    put_le(&s, 54, 4);
    put_le(&s, 40, 4);
    put_le(&s, static_cast<std::uint32_t>(width), 4);
    put_le(&s, static_cast<std::uint32_t>(height), 4);
    put_le(&s, 1, 2);
    put_le(&s, 24, 2);
    put_le(&s, 0, 4); // no compression
    put_le(&s, image, 4);
    put_le(&s, 2835, 4); // 72 dots an inch
    put_le(&s, 2835, 4);
    put_le(&s, 0, 4);
    put_le(&s, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        const unsigned char* row =
            rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
        for (int x = 0; x < width; ++x) {
            s.push_back(static_cast<char>(row[x * 3 + 2]));
            s.push_back(static_cast<char>(row[x * 3 + 1]));
            s.push_back(static_cast<char>(row[x * 3]));
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < stride; ++pad)
            s.push_back('\0');
    }
    return s;
}

// The position and width of a colour mask's bits.
void mask_shift(unsigned long mask, int* shift, int* bits) {
    *shift = 0;
    *bits = 0;
    if (!mask) return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*bits;
    }
}

unsigned char channel(unsigned long pixel, int shift, int bits) {
    if (bits == 0) return 0;
    const unsigned long v = (pixel >> shift) & ((1ul << bits) - 1);
    return static_cast<unsigned char>(bits >= 8 ? v >> (bits - 8) : v * 255 / ((1ul << bits) - 1));
}

} // namespace

bool available() {
    return x11::display() != nullptr;
}

bool open(Hwnd) {
    if (!available() || x11::owner_xwindow() == None) return false;
    ensure_hooks();
    return true;
}

void close() {
    if (Display* d = x11::display()) XFlush(d);
}

Holds read_text(std::string* out) {
    out->clear();
    Display* d = x11::display();
    const Window me = x11::owner_xwindow();
    if (!d || me == None) return Holds::Nothing;
    ensure_hooks();
    x11::drain_events(); // a clear of our ownership may be waiting
    const Window owner = XGetSelectionOwner(d, atom("CLIPBOARD"));
    if (owner == None) return Holds::Nothing;
    if (owner == me && g_owned) {
        for (const Form& f : g_served.forms) {
            if (std::strcmp(f.target, "UTF8_STRING") == 0) {
                *out = utf8_to_code_page(f.data);
                return Holds::Text;
            }
        }
        return g_served.forms.empty() ? Holds::Nothing : Holds::OtherOnly;
    }
    std::string raw;
    Atom type = None;
    bool utf8 = true, string = true;
    switch (convert(atom("TARGETS"), &raw, &type)) {
    case Got::NoAnswer:
        return Holds::NoAnswer;
    case Got::Refused:
        break; // an owner that cannot list its targets: ask for the text itself
    case Got::Data: {
        const long* list = reinterpret_cast<const long*>(raw.data());
        const std::size_t n = type == XA_ATOM ? raw.size() / sizeof(long) : 0;
        utf8 = string = false;
        bool other = false;
        for (std::size_t i = 0; i < n; ++i) {
            const Atom a = static_cast<Atom>(list[i]);
            if (a == atom("UTF8_STRING"))
                utf8 = true;
            else if (a == XA_STRING || a == atom("TEXT"))
                string = true;
            else if (a != atom("TARGETS") && a != atom("TIMESTAMP") && a != atom("MULTIPLE") &&
                     a != atom("SAVE_TARGETS"))
                other = true;
        }
        if (!utf8 && !string) return other ? Holds::OtherOnly : Holds::Nothing;
        break;
    }
    }
    if (utf8) {
        const Got got = convert(atom("UTF8_STRING"), &raw, &type);
        if (got == Got::NoAnswer) return Holds::NoAnswer;
        if (got == Got::Data) {
            *out = utf8_to_code_page(raw);
            return Holds::Text;
        }
    }
    if (string) {
        const Got got = convert(XA_STRING, &raw, &type);
        if (got == Got::NoAnswer) return Holds::NoAnswer;
        if (got == Got::Data) {
            *out = utf8_to_code_page(type == XA_STRING ? latin1_to_utf8(raw) : raw);
            return Holds::Text;
        }
    }
    return Holds::OtherOnly;
}

bool empty() {
    Display* d = x11::display();
    if (!d) return false;
    // Ends the present owner's claim, ours or another program's.
    XSetSelectionOwner(d, atom("CLIPBOARD"), None, CurrentTime);
    XFlush(d);
    g_owned = false;
    g_served.forms.clear();
    return true;
}

bool put_text(const char* text, std::size_t len) {
    const std::u16string wide = code_page_to_utf16(text, len);
    std::vector<Form> forms;
    forms.push_back(Form{"UTF8_STRING", "UTF8_STRING", x11::utf16_to_utf8(wide)});
    forms.push_back(Form{"STRING", "STRING", utf16_to_latin1(wide)});
    forms.push_back(Form{"TEXT", "UTF8_STRING", forms[0].data});
    forms.push_back(Form{"text/plain;charset=utf-8", "text/plain;charset=utf-8", forms[0].data});
    return take_ownership(std::move(forms));
}

bool foreground_rect(bool, bool client, Rect* r) {
    // The active window of the desktop is a top-level client already.
    const Hwnd w = x11::active();
    if (!w) return false;
    return client ? x11::client_rect(w, r) : x11::window_rect(w, r);
}

bool screen_size(int* width, int* height) {
    if (!x11::display()) return false;
    *width = x11::screen_width();
    *height = x11::screen_height();
    return *width > 0 && *height > 0;
}

SnapResult snapshot(Hwnd, const Rect& r) {
    Display* d = x11::display();
    if (!d) return SnapResult::NoDisplay;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return SnapResult::NoBitmap;
    XImage* image = nullptr;
    {
        x11::ErrorTrap trap;
        image = XGetImage(d, x11::root(), r.left, r.top, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (trap.failed() && image) {
            XDestroyImage(image);
            image = nullptr;
        }
    }
    if (!image) return SnapResult::NoBitmap;
    int rs, rb, gs, gb, bs, bb;
    mask_shift(image->red_mask, &rs, &rb);
    mask_shift(image->green_mask, &gs, &gb);
    mask_shift(image->blue_mask, &bs, &bb);
    std::vector<unsigned char> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            rgb.push_back(channel(p, rs, rb));
            rgb.push_back(channel(p, gs, gb));
            rgb.push_back(channel(p, bs, bb));
        }
    }
    XDestroyImage(image);
    std::vector<Form> forms;
    std::string png;
    if (!encode_png(rgb, width, height, &png)) return SnapResult::NoBitmap;
    forms.push_back(Form{"image/png", "image/png", std::move(png)});
    forms.push_back(Form{"image/bmp", "image/bmp", encode_bmp(rgb, width, height)});
    return take_ownership(std::move(forms)) ? SnapResult::Ok : SnapResult::NotOpened;
}

} // namespace plat::clip
