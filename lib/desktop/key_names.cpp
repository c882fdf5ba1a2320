#include "lib/desktop/key_names.h"

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

} // namespace jol
