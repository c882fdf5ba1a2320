// Windows and their messages: window classes, creating and examining
// windows, the message queue, the foreground window and the display's
// fixed font. (Named so as not to shadow the system's own windows.h.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/abi.h"
#include "platform/handles.h"

namespace plat {

using WndProc = std::intptr_t(JOL_STDCALL*)(Hwnd, unsigned, std::uintptr_t, std::intptr_t);
struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct WindowClass {
    const char* name = nullptr;
    WndProc proc = nullptr;
    unsigned style = 0;
    int window_extra = 0;
    Cursor cursor = 0;
    int background = 0; // system colour index + 1, 0 = no background brush
    Module instance = 0;
};
namespace ws {
constexpr std::uint32_t OverlappedWindow = 0x00CF0000;
constexpr std::uint32_t TabStop = 0x00010000;
constexpr std::uint32_t Child = 0x40000000;
constexpr std::uint32_t Visible = 0x10000000;
} // namespace ws
namespace cs {
constexpr unsigned VRedraw = 0x1;
constexpr unsigned HRedraw = 0x2;
} // namespace cs
constexpr int kUseDefault = static_cast<int>(0x80000000u);
// Registers a window class; false with the last error set on failure
// (err::ClassAlreadyExists when a class of that name exists).
bool register_class(const WindowClass& wc);
Hwnd create_window(const char* class_name, const char* title, std::uint32_t style, int x, int y,
                   int w, int h, Hwnd parent, Module instance, void* param);
// The system's default handling of a window message.
std::intptr_t JOL_STDCALL def_window_proc(Hwnd w, unsigned message, std::uintptr_t wparam,
                                          std::intptr_t lparam);
bool destroy_window(Hwnd w);
bool is_window(Hwnd w);
// The handle that a 32-bit window number names. Window handles have 32
// significant bits everywhere; the 64-bit system keeps them sign-extended.
Hwnd handle_from_id(std::uint32_t id);
Hwnd get_parent(Hwnd w);
bool get_window_rect(Hwnd w, Rect* r);
std::uint32_t get_window_style(Hwnd w);
Hwnd get_focus();

// ------------------------------------------------------------ messages
struct Msg {
    Hwnd hwnd = 0;
    unsigned message = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;
};
constexpr unsigned kWmQuit = 0x0012;
bool peek_message(Msg* m, bool remove);
// True when a look between script lines would find nothing: no message
// queued for the thread, no interrupt request pending (cancel_requested
// would answer false) and neither Ctrl nor Break down. False whenever the
// backend cannot tell that without the looks themselves.
bool nothing_to_poll();
bool is_dialog_message(Hwnd dialog, Msg* m);
void translate_message(const Msg* m);
std::intptr_t dispatch_message(const Msg* m);
bool post_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
void post_quit_message(int code);

// ------------------------------------------------------ the foreground
// Makes the window the foreground window; false when it is no window or
// the system refused.
bool set_foreground_window(Hwnd w);
Hwnd get_foreground_window();
// The window's title into out (always terminated); its length, 0 for no
// window or no title.
std::size_t get_window_text(Hwnd w, char* out, std::size_t out_size);
// Sets the window's title; false when it is no window.
bool set_window_text(Hwnd w, const char* text);

// -------------------------------------------------------------- display
// Text metrics of the system fixed font on the display, in the layout of
// the system's TEXTMETRIC record.
struct TextMetrics {
    std::int32_t height, ascent, descent, internal_leading, external_leading;
    std::int32_t ave_char_width, max_char_width, weight, overhang;
    std::int32_t digitized_aspect_x, digitized_aspect_y;
    std::uint8_t first_char, last_char, default_char, break_char;
    std::uint8_t italic, underlined, struck_out, pitch_and_family, char_set;
};
bool system_fixed_font_metrics(TextMetrics* tm);

// ------------------------------------------------- the library's own
// A window that only receives messages: never shown, no parent, not among
// the desktop's windows (message-only on Win32). The creation parameter
// reaches the procedure as create_window's does.
Hwnd create_message_window(const char* class_name, const char* title, Module instance, void* param);
// The pointer-sized word at a byte offset of the window's extra bytes (its
// class's window_extra); set returns the previous word, both 0 for no
// window or an offset outside the extra bytes.
std::intptr_t set_window_word(Hwnd w, int offset, std::intptr_t value);
std::intptr_t get_window_word(Hwnd w, int offset);

} // namespace plat
