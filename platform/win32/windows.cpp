// Windows, window classes, messages, input state and the display: the
// system's own.
#include <windows.h>

#include "platform/abi.h"
#include "platform/answer_queue.h"
#include "platform/boxes.h"
#include "platform/input.h"
#include "platform/window_system.h"

namespace plat {
namespace {

HWND hwnd_of(Hwnd w) {
    return reinterpret_cast<HWND>(w);
}

void to_msg(const MSG& in, Msg* out) {
    out->hwnd = reinterpret_cast<Hwnd>(in.hwnd);
    out->message = in.message;
    out->wparam = in.wParam;
    out->lparam = in.lParam;
}

MSG from_msg(const Msg* m) {
    MSG out{};
    out.hwnd = hwnd_of(m->hwnd);
    out.message = m->message;
    out.wParam = m->wparam;
    out.lParam = m->lparam;
    out.time = GetMessageTime();
    return out;
}

} // namespace

bool register_class(const WindowClass& wc) {
    WNDCLASSA c{};
    c.style = wc.style;
    // The library's window procedures have the system's calling convention
    // and argument types.
    c.lpfnWndProc = reinterpret_cast<WNDPROC>(reinterpret_cast<void*>(wc.proc));
    c.cbWndExtra = wc.window_extra;
    c.hInstance = reinterpret_cast<HINSTANCE>(wc.instance);
    c.hCursor = reinterpret_cast<HCURSOR>(wc.cursor);
    c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(wc.background));
    c.lpszClassName = wc.name;
    return RegisterClassA(&c) != 0;
}

Hwnd create_window(const char* class_name, const char* title, std::uint32_t style, int x, int y,
                   int w, int h, Hwnd parent, Module instance, void* param) {
    return reinterpret_cast<Hwnd>(CreateWindowExA(0, class_name, title, style, x, y, w, h,
                                                  hwnd_of(parent), nullptr,
                                                  reinterpret_cast<HINSTANCE>(instance), param));
}

std::intptr_t JOL_STDCALL def_window_proc(Hwnd w, unsigned message, std::uintptr_t wparam,
                                          std::intptr_t lparam) {
    return DefWindowProcA(hwnd_of(w), message, wparam, lparam);
}

bool destroy_window(Hwnd w) {
    return DestroyWindow(hwnd_of(w)) != 0;
}

Hwnd create_message_window(const char* class_name, const char* title, Module instance,
                           void* param) {
    return reinterpret_cast<Hwnd>(CreateWindowExA(0, class_name, title, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                  nullptr, reinterpret_cast<HINSTANCE>(instance),
                                                  param));
}

std::intptr_t set_window_word(Hwnd w, int offset, std::intptr_t value) {
    return static_cast<std::intptr_t>(SetWindowLongPtrA(hwnd_of(w), offset, value));
}

std::intptr_t get_window_word(Hwnd w, int offset) {
    return static_cast<std::intptr_t>(GetWindowLongPtrA(hwnd_of(w), offset));
}

Hwnd handle_from_id(std::uint32_t id) {
    return reinterpret_cast<Hwnd>(LongToHandle(static_cast<LONG>(id)));
}

bool is_window(Hwnd w) {
    return w && IsWindow(hwnd_of(w));
}

Hwnd get_parent(Hwnd w) {
    return reinterpret_cast<Hwnd>(GetParent(hwnd_of(w)));
}

bool get_window_rect(Hwnd w, Rect* r) {
    RECT rc;
    if (!r || !GetWindowRect(hwnd_of(w), &rc)) return false;
    *r = Rect{rc.left, rc.top, rc.right, rc.bottom};
    return true;
}

std::uint32_t get_window_style(Hwnd w) {
    return static_cast<std::uint32_t>(GetWindowLongA(hwnd_of(w), GWL_STYLE));
}

Hwnd get_focus() {
    return reinterpret_cast<Hwnd>(GetFocus());
}

bool peek_message(Msg* m, bool remove) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, remove ? PM_REMOVE : PM_NOREMOVE)) return false;
    if (m) to_msg(msg, m);
    return true;
}

bool nothing_to_poll() {
    // The queue and the key states are known only by asking the system for
    // each of them, which is what the look does.
    return false;
}

bool is_dialog_message(Hwnd dialog, Msg* m) {
    MSG msg = from_msg(m);
    return IsDialogMessageA(hwnd_of(dialog), &msg) != 0;
}

void translate_message(const Msg* m) {
    MSG msg = from_msg(m);
    TranslateMessage(&msg);
}

std::intptr_t dispatch_message(const Msg* m) {
    MSG msg = from_msg(m);
    return DispatchMessageA(&msg);
}

bool post_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    return PostMessageA(hwnd_of(w), message, wparam, lparam) != 0;
}

void post_quit_message(int code) {
    PostQuitMessage(code);
}

bool key_down(int virtual_key) {
    return (GetKeyState(virtual_key) & 0x8000) || (GetAsyncKeyState(virtual_key) & 0x8000);
}

bool system_fixed_font_metrics(TextMetrics* tm) {
    if (!tm) return false;
    HDC dc = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    if (!dc) return false;
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    TEXTMETRICA m{};
    BOOL ok = GetTextMetricsA(dc, &m);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (!ok) return false;
    tm->height = m.tmHeight;
    tm->ascent = m.tmAscent;
    tm->descent = m.tmDescent;
    tm->internal_leading = m.tmInternalLeading;
    tm->external_leading = m.tmExternalLeading;
    tm->ave_char_width = m.tmAveCharWidth;
    tm->max_char_width = m.tmMaxCharWidth;
    tm->weight = m.tmWeight;
    tm->overhang = m.tmOverhang;
    tm->digitized_aspect_x = m.tmDigitizedAspectX;
    tm->digitized_aspect_y = m.tmDigitizedAspectY;
    tm->first_char = static_cast<std::uint8_t>(m.tmFirstChar);
    tm->last_char = static_cast<std::uint8_t>(m.tmLastChar);
    tm->default_char = static_cast<std::uint8_t>(m.tmDefaultChar);
    tm->break_char = static_cast<std::uint8_t>(m.tmBreakChar);
    tm->italic = m.tmItalic;
    tm->underlined = m.tmUnderlined;
    tm->struck_out = m.tmStruckOut;
    tm->pitch_and_family = m.tmPitchAndFamily;
    tm->char_set = m.tmCharSet;
    return true;
}

Cursor load_system_cursor(SystemCursor which) {
    return reinterpret_cast<Cursor>(
        LoadCursorA(nullptr, which == SystemCursor::Arrow ? IDC_ARROW : IDC_WAIT));
}

Cursor set_cursor(Cursor c) {
    return reinterpret_cast<Cursor>(SetCursor(reinterpret_cast<HCURSOR>(c)));
}

bool set_window_text(Hwnd w, const char* text) {
    return w && SetWindowTextA(hwnd_of(w), text ? text : "") != 0;
}

std::size_t get_window_text(Hwnd w, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    if (!w) return 0;
    int n = GetWindowTextA(hwnd_of(w), out, static_cast<int>(out_size));
    if (n <= 0) {
        *out = 0;
        return 0;
    }
    return static_cast<std::size_t>(n);
}

int message_box(Hwnd owner, const char* text, const char* title, unsigned style) {
    if (detail::answer_queue_active()) {
        detail::write_box(title, text);
        return detail::answer_queue_next(style);
    }
    // A box the system cannot show is one that nobody can answer.
    const int answer = MessageBoxA(hwnd_of(owner), text, title, style);
    return answer ? answer : detail::nobody_answers(style);
}

} // namespace plat
