#include "lib/desktop/key_names.h"

#include <cstring>

namespace jol {
namespace {

// Every key but the modifiers may also be a hotkey.
constexpr unsigned kAll = key_use::SendKey | key_use::WaitForKey | key_use::Hotkey;
constexpr unsigned kSendHot = key_use::SendKey | key_use::Hotkey;
constexpr unsigned kSend = key_use::SendKey;

constexpr KeyName kNames[] = {
    {"BACKSPACE", 8, kAll},     {"BS", 8, kAll},
    {"CAPSLOCK", 20, kSendHot}, {"CLEAR", 12, kAll},
    {"DELETE", 46, kAll},       {"DEL", 46, kAll},
    {"DOWN", 40, kAll},         {"END", 35, kAll},
    {"ENTER", 13, kAll},        {"ESCAPE", 27, kAll},
    {"ESC", 27, kAll},          {"HELP", 47, kAll},
    {"HOME", 36, kAll},         {"INSERT", 45, kAll},
    {"INS", 45, kSendHot},      {"LEFT", 37, kAll},
    {"NUMLOCK", 144, kSendHot}, {"PGDN", 34, kAll},
    {"PGUP", 33, kAll},         {"PRTSC", 42, kAll},
    {"RIGHT", 39, kAll},        {"TAB", 9, kAll},
    {"UP", 38, kAll},           {"F1", 112, kAll},
    {"F2", 113, kAll},          {"F3", 114, kAll},
    {"F4", 115, kAll},          {"F5", 116, kAll},
    {"F6", 117, kAll},          {"F7", 118, kAll},
    {"F8", 119, kAll},          {"F9", 120, kAll},
    {"F10", 121, kAll},         {"F11", 122, kAll},
    {"F12", 123, kAll},         {"F13", 124, kAll},
    {"F14", 125, kAll},         {"F15", 126, kAll},
    {"F16", 127, kAll},         {"SPACE", 32, kAll},
    {"SP", 32, kAll},           {"SHIFT", 16, kSend},
    {"CTRL", 17, kSend},        {"MENU", 18, kSend},
    {"ALT", 18, kSend},
};

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
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
        if ((k.uses & use) && SameName(name, k.name)) return k.code;
    return -1;
}

const char* KeyNameOfCode(int code, unsigned use) {
    for (const KeyName& k : kNames)
        if ((k.uses & use) && k.code == code) return k.name;
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
