// Synthetic keystrokes and mouse events, key states, the cursor and the
// window under a point: the system's own input calls.
#include <windows.h>

#include <cstring>

#include "platform/input.h"

namespace plat {
namespace {

bool is_extended_key(int virtual_key) {
    switch (virtual_key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_NUMLOCK:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_DIVIDE:
        return true;
    default:
        return false;
    }
}

bool send(const INPUT* inputs, UINT count) {
    return SendInput(count, const_cast<INPUT*>(inputs), sizeof(INPUT)) == count;
}

void copy_title(HWND w, char* out, std::size_t size) {
    out[0] = 0;
    if (w && GetWindowTextA(w, out, static_cast<int>(size)) <= 0) out[0] = 0;
}

void client_on_screen(HWND w, Rect* r) {
    RECT rc{};
    GetClientRect(w, &rc);
    POINT corner{0, 0};
    ClientToScreen(w, &corner);
    r->left = corner.x;
    r->top = corner.y;
    r->right = corner.x + (rc.right - rc.left);
    r->bottom = corner.y + (rc.bottom - rc.top);
}

struct MenuWalk {
    bool (*visit)(const MenuCommand&, void*);
    void* data;
    MenuCommand item;
    char texts[kMenuDepth + 1][256];
};

// False when the visitor stopped the walk.
bool walk_menu(HMENU menu, int depth, MenuWalk* walk) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state != static_cast<UINT>(-1) && (state & MF_SEPARATOR)) continue;
        char* text = walk->texts[depth];
        if (GetMenuStringA(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION) <= 0) text[0] = 0;
        walk->item.path[depth] = text;
        if (HMENU sub = GetSubMenu(menu, i)) {
            if (depth + 1 < kMenuDepth && !walk_menu(sub, depth + 1, walk)) return false;
            continue;
        }
        walk->item.depth = depth + 1;
        walk->item.id = GetMenuItemID(menu, i);
        walk->item.enabled = state == static_cast<UINT>(-1) || !(state & (MF_GRAYED | MF_DISABLED));
        if (!walk->visit(walk->item, walk->data)) return false;
    }
    return true;
}

} // namespace

bool input_available() {
    return true;
}

bool send_key_event(int virtual_key, bool release, bool extended) {
    if (virtual_key <= 0 || virtual_key > 255) return false;
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = static_cast<WORD>(virtual_key);
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(static_cast<UINT>(virtual_key), 0));
    in.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    if (extended || is_extended_key(virtual_key)) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return send(&in, 1);
}

CharKey key_for_char(char16_t c) {
    CharKey k;
    const SHORT scan = VkKeyScanW(static_cast<WCHAR>(c));
    // -1 in both bytes: the layout has no key for the character.
    if (scan == -1 || (scan & 0xFF) == 0xFF) return k;
    k.found = true;
    k.virtual_key = scan & 0xFF;
    k.shift = (scan & 0x100) != 0;
    k.ctrl = (scan & 0x200) != 0;
    k.alt = (scan & 0x400) != 0;
    return k;
}

bool send_char_key(const CharKey& key, bool release) {
    return send_key_event(key.virtual_key, release);
}

bool key_held(int virtual_key) {
    if (virtual_key <= 0 || virtual_key > 255) return false;
    return (GetKeyState(virtual_key) & 0x8000) || (GetAsyncKeyState(virtual_key) & 0x8000);
}

bool type_char_directly(char16_t c) {
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wScan = static_cast<WORD>(c);
        in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    return send(in, 2);
}

bool key_toggled(int virtual_key) {
    if (virtual_key < 0 || virtual_key > 255) return false;
    return (GetKeyState(virtual_key) & 1) != 0;
}

bool key_pressed_since_last(int virtual_key) {
    if (virtual_key <= 0 || virtual_key > 255) return false;
    const SHORT state = GetAsyncKeyState(virtual_key);
    return (state & 1) && (state & 0x8000);
}

void wait_for_input(int ms) {
    if (ms < 0) ms = 0;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms), QS_ALLINPUT);
}

bool focus_window(Hwnd w) {
    HWND target = reinterpret_cast<HWND>(w);
    const DWORD mine = GetCurrentThreadId();
    const DWORD theirs = GetWindowThreadProcessId(target, nullptr);
    if (!theirs) return false;
    // The focus of another thread's windows is set from within its input
    // state, shared for the moment.
    const bool attached = theirs != mine && AttachThreadInput(mine, theirs, TRUE);
    SetFocus(target);
    const bool has = GetFocus() == target;
    if (attached) AttachThreadInput(mine, theirs, FALSE);
    return has;
}

bool walk_menu_bar(Hwnd w, bool (*visit)(const MenuCommand& item, void* data), void* data) {
    HMENU bar = GetMenu(reinterpret_cast<HWND>(w));
    if (!bar || !IsMenu(bar)) return false;
    MenuWalk walk{visit, data, {}, {}};
    walk_menu(bar, 0, &walk);
    return true;
}

bool buttons_readable() {
    return true;
}

bool get_cursor_pos(int* x, int* y) {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    *x = p.x;
    *y = p.y;
    return true;
}

bool set_cursor_pos(int x, int y) {
    return SetCursorPos(x, y) != 0;
}

unsigned mouse_buttons_down() {
    // The physical buttons, swapped back when the user swapped them: the
    // asynchronous state names the logical button.
    unsigned held = 0;
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) held |= mouse::Left;
    if (GetAsyncKeyState(VK_RBUTTON) & 0x8000) held |= mouse::Right;
    if (GetAsyncKeyState(VK_MBUTTON) & 0x8000) held |= mouse::Middle;
    return held;
}

bool send_mouse_buttons(unsigned buttons, bool release) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    if (buttons & mouse::Left) in.mi.dwFlags |= release ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    if (buttons & mouse::Right)
        in.mi.dwFlags |= release ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
    if (buttons & mouse::Middle)
        in.mi.dwFlags |= release ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN;
    if (!in.mi.dwFlags) return true;
    return send(&in, 1);
}

bool window_at_point(int x, int y, WindowAtPoint* out) {
    *out = WindowAtPoint{};
    POINT p{x, y};
    HWND w = WindowFromPoint(p);
    if (!w) return false;
    HWND top = GetAncestor(w, GA_ROOT);
    if (!top) top = w;
    out->window = reinterpret_cast<Hwnd>(w);
    out->top_level = reinterpret_cast<Hwnd>(top);
    copy_title(w, out->title, sizeof out->title);
    copy_title(top, out->top_title, sizeof out->top_title);
    RECT rc{};
    GetWindowRect(top, &rc);
    out->frame.left = rc.left;
    out->frame.top = rc.top;
    out->frame.right = rc.right;
    out->frame.bottom = rc.bottom;
    client_on_screen(top, &out->client);
    return true;
}

} // namespace plat
