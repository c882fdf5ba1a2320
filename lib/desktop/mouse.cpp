#include "lib/desktop/mouse.h"

#include <cstdio>
#include <string>

#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "lib/desktop/window_find.h"
#include "platform/desktop.h"
#include "platform/environment.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/window_system.h"

namespace jol {
namespace {

// How long a button is held down in a click, and up between the two
// clicks of a double click (well within any double-click time).
constexpr unsigned kButtonMs = 15;

namespace click {
constexpr std::int32_t LeftClick = 513;
constexpr std::int32_t LeftDouble = 515;
constexpr std::int32_t RightClick = 516;
constexpr std::int32_t RightDouble = 518;
constexpr std::int32_t MiddleClick = 519;
constexpr std::int32_t MiddleDouble = 521;
} // namespace click

namespace modifier {
constexpr std::int32_t Ctrl = 1;
constexpr std::int32_t Shift = 2;
constexpr std::int32_t LButton = 4;
constexpr std::int32_t RButton = 8;
constexpr std::int32_t MButton = 16;
} // namespace modifier

// The window a mouse function names: none (0, no error) when both names
// are empty; else the parent by one search (or its WinId) and the child
// among its descendants. 0 with the error raised when not found.
plat::Hwnd MouseWindow(ScriptContext* ctx, const char* parent, const char* child, bool* failed) {
    *failed = false;
    if (*child && !*parent) {
        *failed = true;
        return Raise(ctx, Err::MouseChildNoParent);
    }
    if (!*parent) return 0;
    const plat::Hwnd top = FindWindowOnce(ctx, parent);
    if (!top) {
        *failed = true;
        return Raise(ctx, Err::MouseParentNotFound);
    }
    if (!*child) return top;
    const plat::Hwnd w = FindChildWindow(top, child);
    if (!w) {
        *failed = true;
        return Raise(ctx, Err::MouseChildNotFound);
    }
    return w;
}

int FnMouseMove(ScriptContext* ctx, int, Value& result, Value* args) {
    bool failed = false;
    const plat::Hwnd w =
        MouseWindow(ctx, HeapText(ctx, args[3].str), HeapText(ctx, args[4].str), &failed);
    if (failed) return 0;
    if (!plat::input_available()) return Raise(ctx, Err::NotSupported);
    plat::Rect frame;
    if (w && !plat::desk::window_rect(w, &frame)) return Raise(ctx, Err::MouseParentNotFound);
    const std::int32_t x = ScaleToScreen(frame.left, args[1].i, plat::desk::screen_width());
    const std::int32_t y = ScaleToScreen(frame.top, args[2].i, plat::desk::screen_height());
    plat::set_cursor_pos(x, y);
    result.i = 1;
    return 1;
}

int FnMouseClick(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned button = 0;
    bool twice = false;
    switch (args[1].i) {
    case click::LeftDouble:
        twice = true;
        [[fallthrough]];
    case click::LeftClick:
        button = plat::mouse::Left;
        break;
    case click::RightDouble:
        twice = true;
        [[fallthrough]];
    case click::RightClick:
        button = plat::mouse::Right;
        break;
    case click::MiddleDouble:
        twice = true;
        [[fallthrough]];
    case click::MiddleClick:
        button = plat::mouse::Middle;
        break;
    default:
        return Raise(ctx, Err::MouseClickType);
    }
    if (!plat::input_available()) return Raise(ctx, Err::NotSupported);
    int x = 0, y = 0;
    plat::WindowAtPoint at;
    if (!plat::get_cursor_pos(&x, &y) || !plat::window_at_point(x, y, &at))
        return Raise(ctx, Err::MouseNoWindow);
    // The window's program is brought forward first, as the click of a
    // hand would; the click goes to the same point either way.
    ActivateWindow(ctx, at.top_level);
    const std::int32_t mods = args[2].i;
    unsigned buttons = button;
    if (mods & modifier::LButton) buttons |= plat::mouse::Left;
    if (mods & modifier::RButton) buttons |= plat::mouse::Right;
    if (mods & modifier::MButton) buttons |= plat::mouse::Middle;
    const bool ctrl = mods & modifier::Ctrl;
    const bool shift = mods & modifier::Shift;
    if (ctrl) plat::send_key_event(plat::vk::Control, false);
    if (shift) plat::send_key_event(plat::vk::Shift, false);
    // A double click is two clicks in quick succession, as the user makes
    // it: the system and the program see it as theirs.
    for (int n = 0; n < (twice ? 2 : 1); ++n) {
        // Each press and release held for a moment, as a hand would: a
        // window manager that takes the first press to activate the window
        // sees the release after it.
        plat::send_mouse_buttons(buttons, false);
        plat::sleep_ms(kButtonMs);
        plat::send_mouse_buttons(buttons, true);
        plat::sleep_ms(kButtonMs);
    }
    if (shift) plat::send_key_event(plat::vk::Shift, true);
    if (ctrl) plat::send_key_event(plat::vk::Control, true);
    PumpMessages(ctx);
    result.i = 1;
    return 1;
}

// A button's text as MouseClickBtn compares it: without leading spaces
// and tabs, ampersands and trailing blanks.
std::string ButtonText(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    for (; i < text.size(); ++i)
        if (text[i] != '&') out += text[i];
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t'))
        out.pop_back();
    return out;
}

namespace msg {
constexpr unsigned ChildActivate = 0x0022;
constexpr unsigned MdiActivate = 0x0222;
constexpr unsigned LButtonDown = 0x0201;
constexpr unsigned LButtonUp = 0x0202;
constexpr std::uintptr_t MkLButton = 1;
} // namespace msg

int FnMouseClickBtn(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* parent_name = HeapText(ctx, args[1].str);
    const char* child_name = HeapText(ctx, args[2].str);
    if (!*parent_name) return Raise(ctx, Err::MouseButtonNotFound);
    bool failed = false;
    const plat::Hwnd w = MouseWindow(ctx, parent_name, child_name, &failed);
    if (failed) return 0;
    const plat::Hwnd parent = FindWindowOnce(ctx, parent_name);
    // Buttons are found by their texts: X has no windows for them to read.
    if (!plat::buttons_readable()) return Raise(ctx, Err::NotSupported);
    const std::string wanted = ButtonText(HeapText(ctx, args[3].str));
    for (plat::Hwnd button : plat::desk::descendants(w)) {
        if (plat::get_parent(button) != w) continue;
        const std::string text = plat::desk::title(button);
        if (text.empty() || !plat::same_text_ignoring_case(ButtonText(text), wanted)) continue;
        ActivateWindow(ctx, parent);
        if (*child_name && plat::desk::is_enabled(w)) {
            plat::desk::send_message(w, msg::ChildActivate, 0, 0);
            plat::desk::send_message(plat::get_parent(w), msg::MdiActivate, w, 0);
            plat::desk::send_message(w, msg::ChildActivate, 0, 0);
        }
        plat::desk::post_window_message(button, msg::LButtonDown, msg::MkLButton, 0);
        plat::desk::post_window_message(button, msg::LButtonUp, 0, 0);
        PumpMessages(ctx);
        result.i = 1;
        return 1;
    }
    return Raise(ctx, Err::MouseButtonNotFound);
}

int FnMouseInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::int32_t request = args[1].i;
    if (request < 0 || request > 6) return Raise(ctx, Err::MouseInfoRequest);
    int x = 0, y = 0;
    const bool have_cursor = plat::get_cursor_pos(&x, &y);
    plat::WindowAtPoint at;
    const bool have_window = have_cursor && plat::window_at_point(x, y, &at);
    const std::int32_t width = plat::desk::screen_width();
    const std::int32_t height = plat::desk::screen_height();
    char text[64] = {};
    const char* out = text;
    switch (request) {
    case 0:
        out = have_window ? at.title : "";
        break;
    case 1:
        out = have_window ? at.top_title : "";
        break;
    case 2:
        std::snprintf(text, sizeof text, "%d %d", ScaleToThousandths(x, width),
                      ScaleToThousandths(y, height));
        break;
    case 3:
        std::snprintf(text, sizeof text, "%d %d", x, y);
        break;
    case 4: {
        const unsigned held = plat::mouse_buttons_down();
        int digit = 0;
        if (held & plat::mouse::Left) digit += 4;
        if (held & plat::mouse::Middle) digit += 2;
        if (held & plat::mouse::Right) digit += 1;
        std::snprintf(text, sizeof text, "%d", digit);
        break;
    }
    case 5:
        if (have_window)
            std::snprintf(text, sizeof text, "%d %d", ScaleToThousandths(x - at.frame.left, width),
                          ScaleToThousandths(y - at.frame.top, height));
        break;
    default:
        if (have_window)
            std::snprintf(text, sizeof text, "%d %d",
                          ScaleToThousandths(x - at.client.left, at.client.right - at.client.left),
                          ScaleToThousandths(y - at.client.top, at.client.bottom - at.client.top));
        break;
    }
    return ResultCopy(ctx, result, out);
}

int FnMouseDrag(ScriptContext*, int, Value& result, Value*) {
    // Takes its arguments and moves nothing.
    result.i = 1;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"mousemove", FnMouseMove, 0},         {"mouseclick", FnMouseClick, 0},
    {"mouseinfo", FnMouseInfo, 0},         {"mousedrag", FnMouseDrag, 0},
    {"mouseclickbtn", FnMouseClickBtn, 0},
};

} // namespace

std::int32_t ScaleToScreen(std::int32_t origin, std::int32_t thousandths, std::int32_t extent) {
    std::int64_t p =
        static_cast<std::int64_t>(origin) + static_cast<std::int64_t>(thousandths) * extent / 1000;
    if (p < 0) p = 0;
    if (extent > 0 && p > extent - 1) p = extent - 1;
    return static_cast<std::int32_t>(p);
}

std::int32_t ScaleToThousandths(std::int32_t offset, std::int32_t length) {
    if (length <= 0) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(offset) * 1000 / length);
}

const Module kMouseModule = MakeModule("mouse", kFunctions);

} // namespace jol
