#include "lib/desktop/key_names.h"

#include <cstring>

namespace jol {
namespace {

constexpr unsigned kBoth = key_use::SendKey | key_use::WaitForKey;
constexpr unsigned kSend = key_use::SendKey;

constexpr KeyName kNames[] = {
    {"BACKSPACE", 8, kBoth}, {"BS", 8, kBoth},      {"CAPSLOCK", 20, kSend}, {"CLEAR", 12, kBoth},
    {"DELETE", 46, kBoth},   {"DEL", 46, kBoth},    {"DOWN", 40, kBoth},     {"END", 35, kBoth},
    {"ENTER", 13, kBoth},    {"ESCAPE", 27, kBoth}, {"ESC", 27, kBoth},      {"HELP", 47, kBoth},
    {"HOME", 36, kBoth},     {"INSERT", 45, kBoth}, {"INS", 45, kSend},      {"LEFT", 37, kBoth},
    {"NUMLOCK", 144, kSend}, {"PGDN", 34, kBoth},   {"PGUP", 33, kBoth},     {"PRTSC", 42, kBoth},
    {"RIGHT", 39, kBoth},    {"TAB", 9, kBoth},     {"UP", 38, kBoth},       {"F1", 112, kBoth},
    {"F2", 113, kBoth},      {"F3", 114, kBoth},    {"F4", 115, kBoth},      {"F5", 116, kBoth},
    {"F6", 117, kBoth},      {"F7", 118, kBoth},    {"F8", 119, kBoth},      {"F9", 120, kBoth},
    {"F10", 121, kBoth},     {"F11", 122, kBoth},   {"F12", 123, kBoth},     {"F13", 124, kBoth},
    {"F14", 125, kBoth},     {"F15", 126, kBoth},   {"F16", 127, kBoth},     {"SPACE", 32, kBoth},
    {"SP", 32, kBoth},       {"SHIFT", 16, kSend},  {"CTRL", 17, kSend},     {"MENU", 18, kSend},
    {"ALT", 18, kSend},
};

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The uses of a name: a hotkey takes every key SendKey types but the
// modifiers, which only go with another key.
unsigned UsesOf(const KeyName& k) {
    const bool modifier = k.code == 16 || k.code == 17 || k.code == 18;
    return k.uses | ((k.uses & key_use::SendKey) && !modifier ? key_use::Hotkey : 0u) |
           ((k.uses & key_use::WaitForKey) ? key_use::MenuHotkey : 0u);
}

bool SameName(std::string_view a, const char* table_name) {
    std::size_t i = 0;
    for (; i < a.size(); ++i)
        if (!table_name[i] || Upper(a[i]) != table_name[i]) return false;
    return table_name[i] == 0;
}

} // namespace

const KeyName* KeyNames(std::size_t* count) {
    *count = sizeof kNames / sizeof kNames[0];
    return kNames;
}

int KeyCodeOfName(std::string_view name, unsigned use) {
    for (const KeyName& k : kNames)
        if ((UsesOf(k) & use) && SameName(name, k.name)) return k.code;
    return -1;
}

const char* KeyNameOfCode(int code, unsigned use) {
    for (const KeyName& k : kNames)
        if ((UsesOf(k) & use) && k.code == code) return k.name;
    return nullptr;
}

namespace {

bool IsLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

unsigned PrefixBit(char c) {
    switch (c) {
    case '+':
        return hotkey_mod::Shift;
    case '^':
        return hotkey_mod::Ctrl;
    case '!':
        return hotkey_mod::Alt;
    case '?':
        return hotkey_mod::Extended;
    default:
        return 0;
    }
}

} // namespace

int ParseHotkey(std::string_view text) {
    unsigned mods = 0;
    std::size_t i = 0;
    // A prefix character is the key itself when nothing follows it.
    while (i + 1 < text.size() && PrefixBit(text[i])) {
        mods |= PrefixBit(text[i]);
        ++i;
    }
    std::string_view key = text.substr(i);
    if (key.size() >= 2 && key.front() == '{' && key.back() == '}') {
        key = key.substr(1, key.size() - 2);
        if (key.size() != 1) {
            const int code = KeyCodeOfName(key, key_use::Hotkey);
            return code < 0 ? -1 : static_cast<int>(mods << 8) | code;
        }
    }
    if (key.size() != 1 || !IsLetterOrDigit(key[0])) return -1;
    return static_cast<int>(mods << 8) | Upper(key[0]);
}

void FormatHotkey(std::uint16_t word, char* out) {
    std::size_t n = 0;
    out[0] = 0;
    if (word == 0) return;
    const unsigned mods = word >> 8;
    const int code = word & 0xFF;
    if (mods & hotkey_mod::Shift) out[n++] = '+';
    if (mods & hotkey_mod::Ctrl) out[n++] = '^';
    if (mods & hotkey_mod::Alt) out[n++] = '!';
    if (mods & hotkey_mod::Extended) out[n++] = '?';
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
        out[n++] = static_cast<char>(code);
        out[n] = 0;
        return;
    }
    const char* name = KeyNameOfCode(code, key_use::Hotkey);
    if (!name) name = "?";
    out[n++] = '{';
    const std::size_t len = std::strlen(name);
    std::memcpy(out + n, name, len);
    n += len;
    out[n++] = '}';
    out[n] = 0;
}

} // namespace jol
