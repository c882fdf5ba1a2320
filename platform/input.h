// Keyboard state, synthetic keystrokes and the mouse.
//
// Keys are named by virtual-key codes (the 256 codes of the Windows
// keyboard: 0x41 'A', 0x0D Enter, 0x70 F1, ...) on both backends. The
// Win32 backend sends system input events; the native backend sends XTest
// events to the X server named by DISPLAY, turning a virtual-key code into
// a keysym and the keysym into a keycode of the server's keyboard map. On
// the native backend without a display every sending function fails and
// the readers answer "nothing": no key down, no toggle on, no window.
#pragma once

#include <cstdint>

#include "platform/handles.h"
#include "platform/window_system.h"

namespace plat {

namespace vk {
constexpr int LButton = 0x01;
constexpr int RButton = 0x02;
constexpr int Cancel = 0x03;
constexpr int MButton = 0x04;
constexpr int Return = 0x0D;
constexpr int Shift = 0x10;
constexpr int Control = 0x11;
constexpr int Menu = 0x12;
constexpr int Capital = 0x14;
constexpr int Insert = 0x2D;
constexpr int NumLock = 0x90;
constexpr int Scroll = 0x91;
} // namespace vk

// True when the key is down now (either by the thread's key state or by the
// physical key state). The message pump's look for the cancel keys: on the
// native backend the console's interrupt stands for them and this answers
// false.
bool key_down(int virtual_key);
// True when the key (or the mouse button, virtual keys 1, 2 and 4) is held
// on the desktop now.
bool key_held(int virtual_key);

enum class SystemCursor { Arrow, Wait };
Cursor load_system_cursor(SystemCursor which);
Cursor set_cursor(Cursor c); // returns the previous cursor

// True when there is a desktop that takes synthetic input (always on
// Win32; natively when the X connection is open).
bool input_available();

// Presses or releases one key, by its scan code on Win32. extended marks
// the keys of the extended block (the toggle keys are sent that way).
// False when the event could not be sent.
bool send_key_event(int virtual_key, bool release, bool extended = false);

// The key that types a character in the current keyboard layout, and the
// modifiers it needs. found is false when the layout has no key for it.
struct CharKey {
    bool found = false;
    int virtual_key = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    unsigned keycode = 0;
};
// keycode: the backend's own number of the key (the X keycode), 0 where
// the virtual-key code names the key.
CharKey key_for_char(char16_t c);
// Presses or releases the key of a character (found by key_for_char).
bool send_char_key(const CharKey& key, bool release);

// Types a character the layout has no key for, as the character itself
// (never as a chord of modifiers): a Unicode keyboard event on Win32; on X
// a spare keycode bound to the character's keysym for the keystroke and
// unbound afterwards. False when it could not be sent.
bool type_char_directly(char16_t c);

// The toggle state (Caps Lock, Num Lock, Scroll Lock lights; Insert on
// Win32) of a key: true when on.
bool key_toggled(int virtual_key);

// Whether the key was pressed since the previous call for the same key
// and is down now (the "pressed since" bit of the asynchronous key state
// on Win32; natively the previous look of the same thread is remembered).
bool key_pressed_since_last(int virtual_key);

// Waits at most ms milliseconds for input to arrive for the thread (a
// message, or an event on the X connection); returns early when it does.
void wait_for_input(int ms);

// Gives the keyboard focus to a window of another program (a child of the
// window in front) and confirms that it has it; false when it has not.
bool focus_window(Hwnd w);

// The command items of a window's menu bar, depth first from its first
// item: for each item without a submenu, the texts of the items on the way
// to it from the menu bar down (the item's own last), its command id and
// whether it is enabled. Submenus deeper than kMenuDepth levels are not
// entered. visit returns false to stop the walk. False when the window has
// no menu bar (always natively: X has no menu bars, a program draws its
// own).
constexpr int kMenuDepth = 10;
struct MenuCommand {
    const char* path[kMenuDepth + 1] = {};
    int depth = 0; // the number of texts in path
    unsigned id = 0;
    bool enabled = true;
};
bool walk_menu_bar(Hwnd w, bool (*visit)(const MenuCommand& item, void* data), void* data);

// True when the buttons of other programs are windows whose texts can be
// read and that take posted mouse messages (Win32); on X a program draws
// its buttons itself.
bool buttons_readable();

// The mouse: the cursor position in screen pixels, the buttons held and
// synthetic button events. Buttons are a mask of these bits.
namespace mouse {
constexpr unsigned Left = 1;
constexpr unsigned Right = 2;
constexpr unsigned Middle = 4;
} // namespace mouse
bool get_cursor_pos(int* x, int* y);
bool set_cursor_pos(int x, int y);
unsigned mouse_buttons_down();
// Presses (release false) or releases the buttons of the mask together at
// the cursor position.
bool send_mouse_buttons(unsigned buttons, bool release);

// What lies under a screen point: the innermost window, the top-level
// window that holds it (the window itself when it has no parent), their
// titles, the top-level window's frame and its client area, in screen
// pixels. False when no window is there.
struct WindowAtPoint {
    Hwnd window = 0;
    Hwnd top_level = 0;
    char title[256] = {};
    char top_title[256] = {};
    Rect frame;
    Rect client;
};
bool window_at_point(int x, int y, WindowAtPoint* out);

} // namespace plat
