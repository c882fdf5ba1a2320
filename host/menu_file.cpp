// Menu files: line classes, titles, hotkeys and the walk over a file.
#include "host/menu_file.h"

#include <cstring>
#include <string_view>

#include "lib/desktop/key_names.h"

namespace jol {
namespace {

constexpr unsigned char kCtrlZ = 26;
constexpr std::uint16_t kShift = 0x8000;
constexpr std::uint16_t kCtrl = 0x4000;
constexpr std::uint16_t kAlt = 0x2000;
constexpr std::uint16_t kVirtualKey = 0x1000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Appends text to out (size bytes) while there is room; never splits the
// terminator off.
void Append(char* out, std::size_t size, const char* text) {
    std::size_t n = std::strlen(out);
    for (; *text && n + 1 < size; ++text)
        out[n++] = *text;
    out[n] = 0;
}

// The code of a key written as one character.
std::uint16_t CharacterKey(char c, bool ctrl) {
    const char u = Upper(c);
    std::uint16_t code = static_cast<unsigned char>(u);
    if (ctrl && !(u >= 'A' && u <= 'Z')) code |= kVirtualKey;
    return code;
}

// The code of a key name: the keys that type a control character keep it,
// the others are virtual keys.
int NamedKey(std::string_view name) {
    const int vk = KeyCodeOfName(name, key_use::MenuHotkey);
    if (vk < 0) return -1;
    if (vk == 8 || vk == 13 || vk == 27 || vk == 32) return vk;
    return vk | kVirtualKey;
}

} // namespace

MenuLineClass ClassifyMenuLine(const char* line) {
    std::size_t i = 0;
    while (IsBlank(line[i]))
        ++i;
    if (!line[i] || line[i] == ';' || line[i] == '\'') return {};
    // The indentation: a tab in its first four characters, or four spaces,
    // make a code line.
    for (std::size_t k = 0; k < i && k < 4; ++k)
        if (line[k] == '\t') return {MenuLineKind::Code, 0};
    if (i >= 4) return {MenuLineKind::Code, 0};
    return {MenuLineKind::Title, static_cast<int>(i) + 1};
}

std::uint16_t EncodeMenuHotkey(const char* keys) {
    // Blanks inside are ignored.
    char s[kTextSize];
    std::size_t n = 0;
    for (const char* p = keys; *p && n + 1 < sizeof s; ++p)
        if (!IsBlank(*p)) s[n++] = *p;
    s[n] = 0;
    std::uint16_t mods = 0;
    std::size_t i = 0;
    for (;; ++i) {
        if (s[i] == '!')
            mods |= kAlt | kVirtualKey;
        else if (s[i] == '+')
            mods |= kShift;
        else if (s[i] == '^')
            mods |= kCtrl;
        else
            break;
    }
    const bool ctrl = (mods & kCtrl) != 0;
    std::uint16_t key = 0;
    if (s[i] == '{') {
        const char* close = std::strchr(s + i + 1, '}');
        if (!close || close[1]) return 0;
        const std::string_view name(s + i + 1, static_cast<std::size_t>(close - (s + i + 1)));
        if (name.size() == 1) {
            key = CharacterKey(name[0], ctrl);
        } else {
            const int code = NamedKey(name);
            if (code < 0) return 0;
            key = static_cast<std::uint16_t>(code);
        }
    } else {
        // One character, and nothing after it.
        if (!s[i] || s[i + 1]) return 0;
        key = CharacterKey(s[i], ctrl);
    }
    if (!key) return 0;
    return static_cast<std::uint16_t>(key + mods);
}

std::uint16_t HotkeyOfMessage(unsigned message, std::uintptr_t key, bool shift, bool ctrl,
                              bool alt) {
    std::uint16_t value = 0;
    if (message == 256 || message == 260) {
        const unsigned vk = static_cast<unsigned>(key & 0xFF);
        if (vk == 0 || vk == 16 || vk == 17 || vk == 18) return 0;
        value = static_cast<std::uint16_t>(vk + kVirtualKey);
    } else if (message == 258 || message == 262) {
        unsigned c = static_cast<unsigned>(key & 0xFFFF);
        if (ctrl && c >= 1 && c <= 26) c += 64;
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        if (c == 0 || c >= kVirtualKey) return 0;
        value = static_cast<std::uint16_t>(c);
    } else {
        return 0;
    }
    if (shift) value = static_cast<std::uint16_t>(value + kShift);
    if (ctrl) value = static_cast<std::uint16_t>(value + kCtrl);
    if (alt) value = static_cast<std::uint16_t>(value + kAlt);
    return value;
}

void ParseMenuTitle(const char* line, int level, bool bar_level1, MenuTitle* out) {
    *out = MenuTitle{};
    const char* p = line + (level > 1 ? level - 1 : 0);
    // "_" and "|" (either, or both in any order).
    for (int i = 0; i < 2; ++i) {
        if (*p == '_' && !out->separator)
            out->separator = true;
        else if (*p == '|' && !out->column_break)
            out->column_break = true;
        else
            break;
        ++p;
    }
    // The item text: up to a ";" (the help text follows it), without
    // trailing blanks, at most 38 characters.
    char item[kTextSize];
    std::size_t n = 0;
    const char* help = nullptr;
    for (; *p && n + 1 < sizeof item; ++p) {
        if (*p == ';') {
            help = p + 1;
            break;
        }
        item[n++] = *p;
    }
    while (n > 0 && IsBlank(item[n - 1]))
        --n;
    if (n > kMenuItemTextMax) n = kMenuItemTextMax;
    item[n] = 0;
    if (help) {
        while (IsBlank(*help))
            ++help;
        std::size_t h = 0;
        for (; help[h] && h + 1 < sizeof out->help; ++h)
            out->help[h] = help[h];
        while (h > 0 && IsBlank(out->help[h - 1]))
            --h;
        out->help[h] = 0;
    }

    char* slash = std::strchr(item, '\\');
    const char* keys = nullptr;
    if (slash) {
        *slash = 0;
        keys = slash + 1;
    }
    std::size_t c = 0;
    for (const char* q = item; *q; ++q)
        out->caption[c++] = *q == '\t' ? ' ' : *q;
    out->caption[c] = 0;
    out->hidden = out->caption[0] == '@';
    std::memcpy(out->text, out->caption, c + 1);
    if (keys && *keys) {
        if (!bar_level1) Append(out->text, sizeof out->text, "\t");
        for (const char* k = keys; *k; ++k) {
            const char one[2] = {*k, 0};
            Append(out->text, sizeof out->text,
                   *k == '!'   ? "Alt+"
                   : *k == '+' ? "Shift+"
                   : *k == '^' ? "Ctrl+"
                               : one);
        }
        out->hotkey = EncodeMenuHotkey(keys);
    }
}

int MenuLineReader::Next(char* line, std::size_t* start, std::size_t* end) {
    if (pos_ >= length_) return 0;
    const std::size_t s = pos_;
    std::size_t n = 0;
    *start = s;
    while (pos_ < length_) {
        const unsigned char c = static_cast<unsigned char>(text_[pos_]);
        if (c == '\r') {
            ++pos_;
            if (pos_ < length_ && text_[pos_] == '\n') ++pos_;
            break;
        }
        if (c == '\n' || c == 0 || c == kCtrlZ) {
            ++pos_;
            break;
        }
        if (n + 1 >= kTextSize) return -1;
        line[n++] = static_cast<char>(c);
        ++pos_;
    }
    line[n] = 0;
    *end = s + n;
    return 1;
}

namespace {

constexpr int kAfterTitle[kMenuLevels + 1] = {0, 514, 519, 521, 580};
constexpr int kInCode[kMenuLevels + 1] = {0, 515, 520, 579, 581};
constexpr int kNoFirstTitle = 512;
constexpr int kLineTooLong = 214;

struct Walk {
    MenuWalkSink& sink;
    bool bar;
    MenuTitle pending[kMenuLevels + 1];
    int open = 0; // popups opened and not yet closed: levels 1 to open

    int Open(int k) {
        open = k;
        return sink.PopupOpened(k, pending[k]);
    }
    int ClosePopup(int k) {
        open = k - 1;
        return sink.PopupClosed(k, pending[k]);
    }
    // The command item of level k is complete, and with it the popups of
    // levels k-1 down to j.
    int Close(int k, int item, int j) {
        if (int m = sink.ItemClosed(k, item, pending[k])) return m;
        for (int level = k - 1; level >= j; --level)
            if (int m = ClosePopup(level)) return m;
        return 0;
    }
    // After an error: the popups still open join their parents, so the
    // menu built so far is whole.
    void CloseOpen() {
        while (open > 0)
            ClosePopup(open);
    }
    void Take(const char* line, int level) {
        ParseMenuTitle(line, level, bar && level == 1, &pending[level]);
    }
};

} // namespace

void WalkMenuFile(const char* text, std::size_t length, bool bar, MenuWalkSink& sink,
                  MenuWalkResult* result) {
    *result = MenuWalkResult{};
    Walk walk{sink, bar, {}, 0};
    MenuLineReader reader(text, length);
    // level 0: the start; else the pending title's level, in its code or not.
    int level = 0;
    bool in_code = false;
    int item = -1;
    char line[kTextSize];
    std::size_t s = 0, e = 0;
    auto fail = [&](int message, const char* offending) {
        result->message = message;
        std::strcpy(result->line, offending);
    };
    for (;;) {
        const int got = reader.Next(line, &s, &e);
        if (got < 0) {
            // Never cut: a cut line could change its class.
            result->items = item + 1;
            std::memcpy(result->line, text + s, kTextSize - 1);
            result->line[kTextSize - 1] = 0;
            result->message = kLineTooLong;
            walk.CloseOpen();
            return;
        }
        if (got == 0) break;
        const MenuLineClass cls = ClassifyMenuLine(line);
        int m = 0;
        if (cls.kind == MenuLineKind::Ignored) continue;
        if (level == 0) {
            if (cls.kind == MenuLineKind::Code) {
                m = sink.StartupLine(s, e);
            } else if (cls.level == 1) {
                walk.Take(line, 1);
                level = 1;
            } else {
                fail(kNoFirstTitle, line);
            }
        } else if (!in_code) {
            if (cls.kind == MenuLineKind::Code) {
                ++item;
                in_code = true;
                m = sink.ItemLine(level, item, s, e, true);
            } else if (cls.level == level + 1) {
                m = walk.Open(level);
                walk.Take(line, level + 1);
                ++level;
            } else {
                fail(kAfterTitle[level], line);
            }
        } else {
            if (cls.kind == MenuLineKind::Code) {
                m = sink.ItemLine(level, item, s, e, false);
            } else if (cls.level <= level) {
                m = walk.Close(level, item, cls.level);
                walk.Take(line, cls.level);
                level = cls.level;
                in_code = false;
            } else {
                fail(kInCode[level], line);
            }
        }
        if (m) fail(m, line);
        if (result->message) {
            result->items = item + 1;
            walk.CloseOpen();
            return;
        }
    }
    result->items = item + 1;
    if (level == 0)
        result->message = kNoFirstTitle;
    else if (!in_code)
        result->message = kAfterTitle[level];
    else if (int m = walk.Close(level, item, 1))
        result->message = m;
    if (result->message) walk.CloseOpen();
}

} // namespace jol
