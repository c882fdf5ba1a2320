#include "lib/desktop/keys.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "lib/desktop/key_language.h"
#include "lib/desktop/window_find.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/window_system.h"

namespace jol {
namespace {

// The longest single wait between two looks at the cancel flag.
constexpr int kLookMs = 20;

bool ConsoleMode(const ScriptContext* ctx) {
    return ctx->keystrokes.console_mode != 0;
}

void Pump(ScriptContext* ctx, int passes) {
    if (ConsoleMode(ctx)) return;
    for (int i = 0; i < passes && !ctx->cancel; ++i)
        PumpMessages(ctx);
}

// Waits ms milliseconds, pumping messages and looking at the cancel flag.
void Pause(ScriptContext* ctx, int ms) {
    const std::uint64_t end = plat::monotonic_us() + static_cast<std::uint64_t>(ms) * 1000;
    for (;;) {
        const std::uint64_t now = plat::monotonic_us();
        if (now >= end || ctx->cancel) return;
        const std::uint64_t left = (end - now + 999) / 1000;
        plat::wait_for_input(left < kLookMs ? static_cast<int>(left) : kLookMs);
        PumpMessages(ctx);
    }
}

// One press or release, with the two pump passes after it.
bool KeyEvent(ScriptContext* ctx, int vk, bool release) {
    const bool sent = plat::send_key_event(vk, release);
    Pump(ctx, 2);
    return sent;
}

// The foreground window decides the pacing: looked at again when its
// handle or title changed since the last item. A console window of the
// Windows NT family takes its keys in console mode (when that is on); a
// program that can be asked is waited for until it is idle (when that is
// on).
void DecidePacing(ScriptContext* ctx) {
    KeystrokeState& k = ctx->keystrokes;
    const RunOptions& o = ctx->options;
    if (!o.wait_input_idle && !o.console_keys) return;
    const plat::Hwnd w = plat::desk::foreground();
    const std::string title = w ? plat::desk::title(w, sizeof k.title - 1) : std::string();
    if (w == k.foreground && title == k.title) return;
    k.foreground = w;
    std::snprintf(k.title, sizeof k.title, "%s", title.c_str());
    k.console_mode = 0;
    k.wait_idle = 0;
    if (!w) return;
    if (o.console_keys && Process().version.nt && IsDosWindow(w))
        k.console_mode = 1;
    else if (o.wait_input_idle && plat::desk::window_process(w) != 0)
        k.wait_idle = 1;
}

void WaitIdle(ScriptContext* ctx) {
    if (!ctx->keystrokes.wait_idle) return;
    // 1 idle, -1 cannot be waited for; 0 still busy.
    while (!ctx->cancel && plat::desk::wait_input_idle(ctx->keystrokes.foreground, 100) == 0)
        PumpMessages(ctx);
}

// Num Lock is off while keys go to a console window (its keypad would
// type digits for the cursor keys), and back on afterwards however the
// typing ends.
class NumLockOff {
public:
    NumLockOff() {
        const plat::Hwnd w = plat::desk::foreground();
        if (w && IsDosWindow(w) && plat::key_toggled(plat::vk::NumLock)) {
            Press();
            switched_ = true;
        }
    }
    ~NumLockOff() {
        if (switched_ && !plat::key_toggled(plat::vk::NumLock)) Press();
    }
    NumLockOff(const NumLockOff&) = delete;
    NumLockOff& operator=(const NumLockOff&) = delete;

private:
    static void Press() {
        plat::send_key_event(plat::vk::NumLock, false, true);
        plat::send_key_event(plat::vk::NumLock, true, true);
    }
    bool switched_ = false;
};

struct Held {
    bool shift = false, ctrl = false, alt = false;
};

// One item of the key language, each of its repetitions pressed and
// released with the modifiers around it. False when an event could not
// be sent.
bool SendItem(ScriptContext* ctx, const KeyItem& item) {
    Held held;
    held.shift = item.modifiers & key_mod::Shift;
    held.ctrl = item.modifiers & key_mod::Ctrl;
    held.alt = item.modifiers & key_mod::Alt;
    plat::CharKey key;
    char16_t character = 0;
    if (!item.named) {
        char16_t wide[4] = {};
        if (plat::code_page_to_wide(item.text, item.length, wide, 4) == 0) return false;
        character = wide[0];
        key = plat::key_for_char(character);
        if (key.found) {
            // With Caps Lock on a letter comes out in the case written.
            if (key.virtual_key >= 'A' && key.virtual_key <= 'Z' &&
                plat::key_toggled(plat::vk::Capital))
                key.shift = !key.shift;
            held.shift |= key.shift;
            held.ctrl |= key.ctrl;
            held.alt |= key.alt;
        }
    }
    bool sent = true;
    for (std::int32_t n = 0; n < item.repeat && sent; ++n) {
        if (n > 0) {
            if (ctx->cancel) break;
            Pump(ctx, 1);
        }
        if (held.shift) sent &= KeyEvent(ctx, plat::vk::Shift, false);
        if (held.ctrl) sent &= KeyEvent(ctx, plat::vk::Control, false);
        if (held.alt) sent &= KeyEvent(ctx, plat::vk::Menu, false);
        if (item.named) {
            sent &= KeyEvent(ctx, item.code, false);
            if (held.alt) sent &= KeyEvent(ctx, plat::vk::Menu, true);
            sent &= KeyEvent(ctx, item.code, true);
        } else if (key.found) {
            sent &= plat::send_char_key(key, false);
            Pump(ctx, 2);
            if (held.alt) sent &= KeyEvent(ctx, plat::vk::Menu, true);
            sent &= plat::send_char_key(key, true);
            Pump(ctx, 2);
        } else {
            // A character the layout has no key for goes as itself, never
            // as a chord.
            sent &= plat::type_char_directly(character);
            Pump(ctx, 2);
            if (held.alt) sent &= KeyEvent(ctx, plat::vk::Menu, true);
        }
        if (held.ctrl) sent &= KeyEvent(ctx, plat::vk::Control, true);
        if (held.shift) sent &= KeyEvent(ctx, plat::vk::Shift, true);
    }
    return sent;
}

} // namespace

int SendKeys(ScriptContext* ctx, const char* keys) {
    if (!plat::input_available()) return Raise(ctx, Err::NotSupported);
    bool failed = false;
    {
        // Num Lock comes back before an error is reported.
        const NumLockOff num_lock;
        std::size_t pos = 0;
        KeyItem item;
        while (!ctx->cancel) {
            const KeyParse step = NextKeyItem(keys, &pos, &item);
            if (step == KeyParse::End) break;
            if (step == KeyParse::Error) {
                failed = true;
                break;
            }
            DecidePacing(ctx);
            WaitIdle(ctx);
            Pump(ctx, 2);
            if (!SendItem(ctx, item)) {
                failed = true;
                break;
            }
            Pump(ctx, 2);
            if (ctx->options.sendkey_delay > 0 && !ConsoleMode(ctx))
                Pause(ctx, ctx->options.sendkey_delay);
        }
    }
    Pump(ctx, 4);
    return failed ? Raise(ctx, Err::SendKeySyntax) : 1;
}

namespace {

int FnSendKey(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = 0;
    SendKeys(ctx, HeapText(ctx, args[1].str));
    return 1;
}

int FnSendKeysTo(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = 0;
    const char* name = HeapText(ctx, args[1].str);
    if (*name) {
        const plat::Hwnd w = FindWindowRetry(ctx, name);
        if (!w) return Raise(ctx, Err::WinActivateNotFound);
        // Keys go where the focus is: into nothing else than the window
        // asked for.
        if (!ActivateWindow(ctx, w)) return Raise(ctx, Err::WinNotActivated);
    }
    SendKeys(ctx, HeapText(ctx, args[2].str));
    return 1;
}

int FnSendKeysChild(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = 0;
    const plat::Hwnd parent = FindWindowRetry(ctx, HeapText(ctx, args[1].str));
    if (!parent) return Raise(ctx, Err::WinActivateNotFound);
    const plat::Hwnd child = FindChildWindow(parent, HeapText(ctx, args[2].str));
    if (!child) return Raise(ctx, Err::ChildNotFound);
    // A disabled child takes no keys, and the parent must be in front.
    if (!plat::desk::is_enabled(child) || !ActivateWindow(ctx, parent) ||
        !plat::focus_window(child))
        return Raise(ctx, Err::WinNotActivated);
    SendKeys(ctx, HeapText(ctx, args[3].str));
    return 1;
}

// The keys whose toggle KeyToggleSet changes: the lock keys and Insert.
bool IsToggleKey(std::int32_t code) {
    return code == plat::vk::Capital || code == plat::vk::NumLock || code == plat::vk::Scroll ||
           code == plat::vk::Insert;
}

int FnKeyToggleGet(ScriptContext*, int, Value& result, Value* args) {
    const std::int32_t code = args[1].i;
    result.i = code >= 0 && code <= 255 && plat::key_toggled(code) ? 1 : 0;
    return 1;
}

int FnKeyToggleSet(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::int32_t code = args[1].i;
    const std::int32_t state = args[2].i;
    result.i = 0;
    if (!IsToggleKey(code)) return 1;
    if (!plat::input_available()) return Raise(ctx, Err::NotSupported);
    const bool on = plat::key_toggled(code);
    result.i = on ? 1 : 0;
    // Any state but 1 and 0 always differs, and presses the key.
    if ((state == 1 && on) || (state == 0 && !on)) return 1;
    plat::send_key_event(code, false, true);
    plat::send_key_event(code, true, true);
    Pump(ctx, 2);
    return 1;
}

int FnIsKeyDown(ScriptContext*, int, Value& result, Value* args) {
    const bool shift = plat::key_held(plat::vk::Shift) || plat::key_held(plat::vk::RButton);
    const bool ctrl = plat::key_held(plat::vk::Control) || plat::key_held(plat::vk::MButton);
    switch (args[1].i) {
    case 0:
        result.i = shift && ctrl;
        break;
    case 1:
        result.i = ctrl;
        break;
    case 2:
        result.i = shift;
        break;
    case 3:
        result.i = shift || ctrl;
        break;
    default:
        result.i = 0;
        break;
    }
    return 1;
}

// A key WaitForKey waits for: its virtual-key code and the modifiers that
// must be down with it, and nothing else.
struct AwaitedKey {
    int code = 0;
    std::uint32_t modifiers = 0;
};

// Letters, digits and the space bar are their own key codes; any other
// character is the key of the keyboard layout that types it, with the
// modifiers the layout needs. False when the layout has no key for it.
bool ResolveWaitKey(const ParsedWaitKey& parsed, AwaitedKey* key) {
    key->modifiers = parsed.modifiers;
    if (parsed.named) {
        key->code = parsed.code;
        return true;
    }
    const unsigned char c = static_cast<unsigned char>(parsed.character);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') {
        key->code = c;
        return true;
    }
    char16_t wide[2] = {};
    const char text[1] = {static_cast<char>(c)};
    if (plat::code_page_to_wide(text, 1, wide, 2) == 0) return false;
    const plat::CharKey k = plat::key_for_char(wide[0]);
    if (!k.found || k.virtual_key == 0) return false;
    key->code = k.virtual_key;
    if (k.shift) key->modifiers |= wait_mod::Shift;
    if (k.ctrl) key->modifiers |= wait_mod::Ctrl;
    if (k.alt) key->modifiers |= wait_mod::Alt;
    return true;
}

std::uint32_t ModifiersDown() {
    std::uint32_t m = 0;
    if (plat::key_held(plat::vk::Shift)) m |= wait_mod::Shift;
    if (plat::key_held(plat::vk::Control)) m |= wait_mod::Ctrl;
    if (plat::key_held(plat::vk::Menu)) m |= wait_mod::Alt;
    return m;
}

// How long WaitForKey waits between two looks at the keyboard: short, as
// a tap of a key lasts a few tens of milliseconds and must not be missed.
constexpr int kKeyLookMs = 5;

int FnWaitForKey(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = 0;
    AwaitedKey keys[5];
    int count = 0;
    for (int i = 1; i <= 5; ++i) {
        const char* text = HeapText(ctx, args[i].str);
        if (!*text) break;
        ParsedWaitKey parsed;
        if (!ParseWaitKey(text, &parsed) || !ResolveWaitKey(parsed, &keys[count]))
            return Raise(ctx, Err::WaitForKeyCodes);
        ++count;
    }
    if (count == 0) return Raise(ctx, Err::WaitForKeyCodes);
    if (!plat::input_available()) return Raise(ctx, Err::NotSupported);
    // A key pressed before the wait began does not count.
    for (int i = 0; i < count; ++i)
        plat::key_pressed_since_last(keys[i].code);
    while (!ctx->cancel) {
        const std::uint32_t down = ModifiersDown();
        bool pressed[5] = {};
        for (int i = 0; i < count; ++i) {
            // Each key is looked at once a round, so that its memory of the
            // last look stays current; keys with the same code share it.
            int same = 0;
            while (keys[same].code != keys[i].code)
                ++same;
            pressed[i] = same < i ? pressed[same] : plat::key_pressed_since_last(keys[i].code);
            if (pressed[i] && keys[i].modifiers == down && result.i == 0) result.i = i + 1;
        }
        if (result.i) return 1;
        plat::wait_for_input(kKeyLookMs);
        PumpMessages(ctx);
    }
    result.i = 0;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"sendkey", FnSendKey, 0},
    {"keytoggleget", FnKeyToggleGet, 0},
    {"keytoggleset", FnKeyToggleSet, 0},
    {"iskeydown", FnIsKeyDown, 0},
    {"waitforkey", FnWaitForKey, 0},
    {"sendkeysto", FnSendKeysTo, 0},
    {"sendkeyschild", FnSendKeysChild, 0},
};

} // namespace

const Module kKeyModule = MakeModule("keys", kFunctions);

} // namespace jol
