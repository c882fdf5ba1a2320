// Synthetic keystrokes and mouse events on the X server, key states from
// the server's keyboard (Xkb) and the pointer.
//
// A virtual-key code becomes a keysym by the table below and the keysym a
// keycode of the server's current keyboard map. A keysym the map lacks
// (F13 to F16 on many maps, a character of another script) is bound to a
// spare keycode (one with no keysyms) for the keystroke and unbound after:
// keys are never faked as chords of other keys.
#include <poll.h>

#include <array>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/input.h"
#include "platform/native/x11_display.h"
#include "platform/text.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace plat {
namespace {

using x11::display;

// Virtual-key code -> keysym (NoSymbol where the key has no X equivalent).
KeySym keysym_of_vk(int vk) {
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + (vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);
    switch (vk) {
    case 0x03:
        return XK_Break;
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0C:
        return XK_Clear;
    case 0x0D:
        return XK_Return;
    case 0x10:
        return XK_Shift_L;
    case 0x11:
        return XK_Control_L;
    case 0x12:
        return XK_Alt_L;
    case 0x13:
        return XK_Pause;
    case 0x14:
        return XK_Caps_Lock;
    case 0x1B:
        return XK_Escape;
    case 0x20:
        return XK_space;
    case 0x21:
        return XK_Prior;
    case 0x22:
        return XK_Next;
    case 0x23:
        return XK_End;
    case 0x24:
        return XK_Home;
    case 0x25:
        return XK_Left;
    case 0x26:
        return XK_Up;
    case 0x27:
        return XK_Right;
    case 0x28:
        return XK_Down;
    case 0x29:
        return XK_Select;
    case 0x2A:
        return XK_Print;
    case 0x2B:
        return XK_Execute;
    case 0x2C:
        return XK_Print;
    case 0x2D:
        return XK_Insert;
    case 0x2E:
        return XK_Delete;
    case 0x2F:
        return XK_Help;
    case 0x5B:
        return XK_Super_L;
    case 0x5C:
        return XK_Super_R;
    case 0x5D:
        return XK_Menu;
    case 0x6A:
        return XK_KP_Multiply;
    case 0x6B:
        return XK_KP_Add;
    case 0x6C:
        return XK_KP_Separator;
    case 0x6D:
        return XK_KP_Subtract;
    case 0x6E:
        return XK_KP_Decimal;
    case 0x6F:
        return XK_KP_Divide;
    case 0x90:
        return XK_Num_Lock;
    case 0x91:
        return XK_Scroll_Lock;
    case 0xA0:
        return XK_Shift_L;
    case 0xA1:
        return XK_Shift_R;
    case 0xA2:
        return XK_Control_L;
    case 0xA3:
        return XK_Control_R;
    case 0xA4:
        return XK_Alt_L;
    case 0xA5:
        return XK_Alt_R;
    case 0xBA:
        return XK_semicolon;
    case 0xBB:
        return XK_equal;
    case 0xBC:
        return XK_comma;
    case 0xBD:
        return XK_minus;
    case 0xBE:
        return XK_period;
    case 0xBF:
        return XK_slash;
    case 0xC0:
        return XK_grave;
    case 0xDB:
        return XK_bracketleft;
    case 0xDC:
        return XK_backslash;
    case 0xDD:
        return XK_bracketright;
    case 0xDE:
        return XK_apostrophe;
    default:
        return NoSymbol;
    }
}

// The virtual-key code of an unshifted keysym (0 when none has one).
int vk_of_keysym(KeySym ks) {
    if (ks >= XK_a && ks <= XK_z) return 'A' + static_cast<int>(ks - XK_a);
    if (ks >= XK_A && ks <= XK_Z) return 'A' + static_cast<int>(ks - XK_A);
    for (int vk = 1; vk < 256; ++vk) {
        if (vk >= 'A' && vk <= 'Z') continue;
        if (keysym_of_vk(vk) == ks) return vk;
    }
    return 0;
}

// The keysym of a character: Latin-1 keysyms are the code points, control
// characters their keys, others the Unicode keysyms.
KeySym keysym_of_char(char16_t c) {
    switch (c) {
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0A:
    case 0x0D:
        return XK_Return;
    case 0x1B:
        return XK_Escape;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F) return NoSymbol;
    if (c < 0x100) return c;
    return 0x01000000 | c;
}

// Temporary bindings of keysyms the map lacks to spare keycodes.
std::mutex g_spare_lock;
struct SpareBinding {
    KeyCode keycode = 0;
    KeySym keysym = NoSymbol;
    int presses = 0;
};
std::array<SpareBinding, 4> g_spares;

// Lets the clients read the changed map before the key event reaches them,
// and read the key before the map changes back.
void settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
}

// A keycode with no keysyms and not bound by us; 0 when the map has none.
KeyCode find_spare(Display* d) {
    int low = 0, high = 0;
    XDisplayKeycodes(d, &low, &high);
    int per = 0;
    KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &per);
    if (!map) return 0;
    KeyCode found = 0;
    for (int kc = high; kc >= low && !found; --kc) {
        bool empty = true;
        for (int i = 0; i < per && empty; ++i)
            if (map[(kc - low) * per + i] != NoSymbol) empty = false;
        bool taken = false;
        for (const SpareBinding& b : g_spares)
            if (b.keycode == kc) taken = true;
        if (empty && !taken) found = static_cast<KeyCode>(kc);
    }
    XFree(map);
    return found;
}

void bind_keycode(Display* d, KeyCode kc, KeySym ks) {
    KeySym syms[2] = {ks, ks};
    XChangeKeyboardMapping(d, kc, 2, syms, 1);
    XSync(d, False);
}

// The keycode of a keysym; a spare one bound for it when the map lacks
// it (counted, so that the release unbinds it).
KeyCode acquire_keycode(Display* d, KeySym ks, bool press) {
    if (ks == NoSymbol) return 0;
    std::lock_guard<std::mutex> hold(g_spare_lock);
    for (SpareBinding& b : g_spares) {
        if (b.keycode && b.keysym == ks) {
            if (press) ++b.presses;
            return b.keycode;
        }
    }
    if (KeyCode kc = XKeysymToKeycode(d, ks)) return kc;
    if (!press) return 0;
    for (SpareBinding& b : g_spares) {
        if (b.keycode) continue;
        KeyCode kc = find_spare(d);
        if (!kc) return 0;
        bind_keycode(d, kc, ks);
        b = SpareBinding{kc, ks, 1};
        settle();
        return kc;
    }
    return 0;
}

// After a release: unbinds the spare keycode of the keysym when no press
// of it is left.
void release_keycode(Display* d, KeySym ks) {
    std::lock_guard<std::mutex> hold(g_spare_lock);
    for (SpareBinding& b : g_spares) {
        if (!b.keycode || b.keysym != ks) continue;
        if (--b.presses > 0) return;
        settle();
        bind_keycode(d, b.keycode, NoSymbol);
        b = SpareBinding{};
        return;
    }
}

bool fake_key(Display* d, KeySym ks, bool release) {
    const KeyCode kc = acquire_keycode(d, ks, !release);
    if (!kc) return false;
    XTestFakeKeyEvent(d, kc, release ? False : True, CurrentTime);
    XFlush(d);
    if (release) release_keycode(d, ks);
    return true;
}

bool keycode_down(Display* d, KeySym ks) {
    const KeyCode kc = XKeysymToKeycode(d, ks);
    if (!kc) return false;
    char keys[32];
    XQueryKeymap(d, keys);
    return (keys[kc / 8] >> (kc % 8)) & 1;
}

unsigned pointer_mask(Display* d) {
    Window root_return = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    if (!XQueryPointer(d, x11::root(), &root_return, &child, &rx, &ry, &wx, &wy, &mask)) return 0;
    return mask;
}

// The modifier mask that a lock keysym sets (0 when none does).
unsigned lock_mask_of(Display* d, KeySym ks) {
    return XkbKeysymToModifiers(d, ks);
}

// Per-thread memory of the keys seen down at the previous look.
thread_local std::array<bool, 256> t_was_down{};

void utf8_to_code_page(const std::string& utf8, char* out, std::size_t size) {
    std::u16string wide;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = c;
        int more = 0;
        if (c >= 0xF0)
            cp = c & 0x07, more = 3;
        else if (c >= 0xE0)
            cp = c & 0x0F, more = 2;
        else if (c >= 0xC0)
            cp = c & 0x1F, more = 1;
        ++i;
        for (; more > 0 && i < utf8.size(); --more, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(cp));
        }
    }
    wide_to_code_page(wide.data(), wide.size(), out, size);
}

void title_of(Window w, char* out, std::size_t size) {
    std::string text;
    out[0] = 0;
    if (x11::get_utf8(w, "_NET_WM_NAME", &text) || x11::get_text_property(w, XA_WM_NAME, &text))
        utf8_to_code_page(text, out, size);
}

bool has_wm_state(Window w) {
    Display* d = display();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int got = XGetWindowProperty(d, w, x11::atom("WM_STATE"), 0, 0, False, AnyPropertyType,
                                       &type, &format, &count, &after, &data);
    if (data) XFree(data);
    return got == x11::kXSuccess && type != None;
}

// The window rectangle on the screen.
bool screen_rect(Window w, Rect* r) {
    Display* d = display();
    Window root_return = 0, child = 0;
    int x = 0, y = 0, sx = 0, sy = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(d, w, &root_return, &x, &y, &width, &height, &border, &depth)) return false;
    if (!XTranslateCoordinates(d, w, x11::root(), 0, 0, &sx, &sy, &child)) return false;
    r->left = sx;
    r->top = sy;
    r->right = sx + static_cast<int>(width);
    r->bottom = sy + static_cast<int>(height);
    return true;
}

} // namespace

bool input_available() {
    return display() != nullptr;
}

bool send_key_event(int virtual_key, bool release, bool) {
    Display* d = display();
    if (!d || virtual_key <= 0 || virtual_key > 255) return false;
    return fake_key(d, keysym_of_vk(virtual_key), release);
}

CharKey key_for_char(char16_t c) {
    CharKey k;
    Display* d = display();
    const KeySym ks = keysym_of_char(c);
    if (!d || ks == NoSymbol) return k;
    const KeyCode kc = XKeysymToKeycode(d, ks);
    if (!kc) return k;
    // The level that gives the keysym: the first without Shift, the second
    // with it. Others (AltGr levels, other groups) are typed directly.
    const KeySym plain = XkbKeycodeToKeysym(d, kc, 0, 0);
    if (plain == ks) {
        k.found = true;
    } else if (XkbKeycodeToKeysym(d, kc, 0, 1) == ks) {
        k.found = true;
        k.shift = true;
    } else {
        return k;
    }
    k.keycode = kc;
    k.virtual_key = vk_of_keysym(plain);
    return k;
}

bool send_char_key(const CharKey& key, bool release) {
    Display* d = display();
    if (!d || !key.keycode) return false;
    XTestFakeKeyEvent(d, key.keycode, release ? False : True, CurrentTime);
    XFlush(d);
    return true;
}

bool type_char_directly(char16_t c) {
    Display* d = display();
    const KeySym ks = keysym_of_char(c);
    if (!d || ks == NoSymbol) return false;
    return fake_key(d, ks, false) && fake_key(d, ks, true);
}

bool key_held(int virtual_key) {
    Display* d = display();
    if (!d || virtual_key <= 0 || virtual_key > 255) return false;
    switch (virtual_key) {
    case vk::LButton:
        return (pointer_mask(d) & Button1Mask) != 0;
    case vk::RButton:
        return (pointer_mask(d) & Button3Mask) != 0;
    case vk::MButton:
        return (pointer_mask(d) & Button2Mask) != 0;
    case vk::Shift:
        return keycode_down(d, XK_Shift_L) || keycode_down(d, XK_Shift_R);
    case vk::Control:
        return keycode_down(d, XK_Control_L) || keycode_down(d, XK_Control_R);
    case vk::Menu:
        return keycode_down(d, XK_Alt_L) || keycode_down(d, XK_Alt_R) || keycode_down(d, XK_Meta_L);
    default:
        break;
    }
    const KeySym ks = keysym_of_vk(virtual_key);
    return ks != NoSymbol && keycode_down(d, ks);
}

bool key_toggled(int virtual_key) {
    Display* d = display();
    if (!d) return false;
    XkbStateRec state{};
    if (virtual_key == vk::Capital || virtual_key == vk::NumLock) {
        if (XkbGetState(d, XkbUseCoreKbd, &state) != x11::kXSuccess) return false;
        const unsigned mask = virtual_key == vk::Capital ? LockMask : lock_mask_of(d, XK_Num_Lock);
        return mask && (state.locked_mods & mask);
    }
    if (virtual_key == vk::Scroll) {
        Bool on = False;
        if (XkbGetNamedIndicator(d, x11::atom("Scroll Lock"), nullptr, &on, nullptr, nullptr))
            return on;
    }
    return false;
}

bool key_pressed_since_last(int virtual_key) {
    if (virtual_key <= 0 || virtual_key > 255) return false;
    // X keeps no "pressed since" bit: a key counts as pressed when it is
    // down now and was up at the previous look.
    const bool down = key_held(virtual_key);
    const bool was = t_was_down[static_cast<std::size_t>(virtual_key)];
    t_was_down[static_cast<std::size_t>(virtual_key)] = down;
    return down && !was;
}

void wait_for_input(int ms) {
    if (ms < 0) ms = 0;
    Display* d = display();
    if (!d) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    if (XPending(d)) return;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, ms);
}

bool focus_window(Hwnd w) {
    Display* d = display();
    if (!d || !w) return false;
    x11::ErrorTrap trap;
    XSetInputFocus(d, static_cast<Window>(w), RevertToParent, CurrentTime);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    return !trap.failed() && focus == static_cast<Window>(w);
}

bool walk_menu_bar(Hwnd, bool (*)(const MenuCommand&, void*), void*) {
    return false;
}

bool buttons_readable() {
    return false;
}

bool get_cursor_pos(int* x, int* y) {
    Display* d = display();
    if (!d) return false;
    Window root_return = 0, child = 0;
    int wx = 0, wy = 0;
    unsigned mask = 0;
    return XQueryPointer(d, x11::root(), &root_return, &child, x, y, &wx, &wy, &mask);
}

bool set_cursor_pos(int x, int y) {
    Display* d = display();
    if (!d) return false;
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
    return true;
}

unsigned mouse_buttons_down() {
    Display* d = display();
    if (!d) return 0;
    const unsigned mask = pointer_mask(d);
    unsigned held = 0;
    if (mask & Button1Mask) held |= mouse::Left;
    if (mask & Button3Mask) held |= mouse::Right;
    if (mask & Button2Mask) held |= mouse::Middle;
    return held;
}

bool send_mouse_buttons(unsigned buttons, bool release) {
    Display* d = display();
    if (!d) return false;
    const Bool press = release ? False : True;
    if (buttons & mouse::Left) XTestFakeButtonEvent(d, 1, press, CurrentTime);
    if (buttons & mouse::Middle) XTestFakeButtonEvent(d, 2, press, CurrentTime);
    if (buttons & mouse::Right) XTestFakeButtonEvent(d, 3, press, CurrentTime);
    XSync(d, False);
    return true;
}

bool window_at_point(int x, int y, WindowAtPoint* out) {
    *out = WindowAtPoint{};
    Display* d = display();
    if (!d) return false;
    x11::ErrorTrap trap;
    // Down the tree from the root to the deepest mapped window at the
    // point; the client window (the one with WM_STATE) on the way is the
    // top-level window, its window manager's frame the frame.
    Window frame = 0, client = 0, inner = 0;
    Window at = x11::root();
    int ax = x, ay = y;
    for (int depth = 0; depth < 32; ++depth) {
        Window child = 0;
        int cx = 0, cy = 0;
        if (!XTranslateCoordinates(d, at, at, ax, ay, &cx, &cy, &child) || !child) break;
        int nx = 0, ny = 0;
        Window ignored = 0;
        if (!XTranslateCoordinates(d, at, child, ax, ay, &nx, &ny, &ignored)) break;
        if (!frame) frame = child;
        if (!client && has_wm_state(child)) client = child;
        inner = child;
        at = child;
        ax = nx;
        ay = ny;
    }
    if (!client || trap.failed()) return false;
    out->window = inner;
    out->top_level = client;
    title_of(inner, out->title, sizeof out->title);
    if (!out->title[0] || inner == client) {
        // Windows inside a client seldom carry names: the client's stands.
        title_of(client, out->title, sizeof out->title);
    }
    title_of(client, out->top_title, sizeof out->top_title);
    if (!screen_rect(frame, &out->frame) || !screen_rect(client, &out->client)) return false;
    return true;
}

} // namespace plat
