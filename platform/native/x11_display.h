// The native backend's one connection to the X server, shared by every
// area that works on the desktop (windows, keys and the mouse, the
// clipboard). It is opened on first use when DISPLAY names a display and
// never otherwise; without it the desktop areas find no windows and refuse
// the actions that need a desktop. Internal to the native backend.
#pragma once

#include "platform/native/x11_xlib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat::x11 {

// The open connection, or nullptr when there is no display (DISPLAY unset
// or empty, the server refused, or the connection was lost). Opened once;
// every later call returns the same connection.
Display* display();
// True once a connection has been opened and is still alive; costs a load.
bool connected();
Window root();
int screen_width();
int screen_height();

// The atom of a name, created when missing; cached for the process.
Atom atom(const char* name);

// Collects the protocol errors of the requests made while it lives (a
// window that vanished between two requests is the common case) instead
// of the default handler's exit. failed() syncs with the server first.
class ErrorTrap {
public:
    ErrorTrap();
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    bool failed();
    int error_code() const { return error_; }

private:
    int* outer_ = nullptr;
    int error_ = 0;
};

// Properties: false (and nothing written) when the window has no such
// property of that type and format.
bool get_cardinals(Window w, const char* property, Atom type, std::vector<long>* out);
bool get_window_ids(Window w, const char* property, std::vector<Window>* out);
bool get_utf8(Window w, const char* property, std::string* out);
// WM_NAME in whatever encoding the client set it, converted to UTF-8.
bool get_text_property(Window w, Atom property, std::string* out);

// Sends a client message to the root window the way window managers
// expect requests from clients (substructure redirect and notify).
void send_root_message(Window about, const char* type, long d0, long d1 = 0, long d2 = 0,
                       long d3 = 0, long d4 = 0);

// Reads and drops the events queued on the connection; true when there
// were any. The message pump calls it so that waits see the server's
// replies and the connection's buffer never fills.
bool drain_events();

// Areas that answer the server's events (the clipboard) see every event
// that drain_events reads, before it is dropped. At most a few hooks.
using EventHook = void (*)(XEvent* e);
void add_event_hook(EventHook hook);

} // namespace plat::x11
