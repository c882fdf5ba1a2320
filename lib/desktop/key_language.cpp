#include "lib/desktop/key_language.h"

#include <cstring>
#include <string_view>

#include "lib/desktop/key_names.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr int kEnter = 13;

// The repeat count after a braced item's key: spaces, an optional sign and
// decimal digits, spaces. False when it is not a count or exceeds the cap.
bool ReadCount(std::string_view s, std::int32_t* count) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    const std::size_t digits = i;
    std::int64_t n = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        n = n * 10 + (s[i++] - '0');
        if (n > kMaxKeyRepeat) return false;
    }
    if (i == digits) return false;
    while (i < s.size() && s[i] == ' ')
        ++i;
    if (i != s.size()) return false;
    *count = negative ? 0 : static_cast<std::int32_t>(n);
    return true;
}

std::size_t CharLength(const char* s) {
    return plat::is_lead_byte(static_cast<unsigned char>(s[0])) && s[1] ? 2 : 1;
}

} // namespace

KeyParse NextKeyItem(const char* keys, std::size_t* pos, KeyItem* item) {
    *item = KeyItem{};
    const char* p = keys + *pos;
    for (;; ++p) {
        if (*p == '!')
            item->modifiers |= key_mod::Alt;
        else if (*p == '^')
            item->modifiers |= key_mod::Ctrl;
        else if (*p == '+')
            item->modifiers |= key_mod::Shift;
        else
            break;
    }
    if (!*p) {
        *pos = static_cast<std::size_t>(p - keys);
        return item->modifiers ? KeyParse::Error : KeyParse::End;
    }
    if (*p == '~') {
        item->named = true;
        item->code = kEnter;
        *pos = static_cast<std::size_t>(p + 1 - keys);
        return KeyParse::Item;
    }
    if (*p != '{') {
        item->length = CharLength(p);
        std::memcpy(item->text, p, item->length);
        *pos = static_cast<std::size_t>(p + item->length - keys);
        return KeyParse::Item;
    }
    // The first character after the brace belongs to the item whatever it
    // is, so "{}}" types a closing brace; the item ends at the next brace
    // after it.
    const char* content = p + 1;
    if (!*content) return KeyParse::Error;
    const std::size_t first = CharLength(content);
    const char* close = std::strchr(content + first, '}');
    if (!close) return KeyParse::Error;
    const std::string_view body(content, static_cast<std::size_t>(close - content));
    *pos = static_cast<std::size_t>(close + 1 - keys);
    if (body.size() == first || body[first] == ' ') {
        item->length = first;
        std::memcpy(item->text, content, first);
        return body.size() == first || ReadCount(body.substr(first), &item->repeat)
                   ? KeyParse::Item
                   : KeyParse::Error;
    }
    const std::size_t space = body.find(' ');
    const int code = KeyCodeOfName(body.substr(0, space), key_use::SendKey);
    if (code < 0) return KeyParse::Error;
    item->named = true;
    item->code = code;
    if (space != std::string_view::npos && !ReadCount(body.substr(space), &item->repeat))
        return KeyParse::Error;
    return KeyParse::Item;
}

bool ParseWaitKey(const char* text, ParsedWaitKey* parsed) {
    *parsed = ParsedWaitKey{};
    const char* p = text;
    for (;; ++p) {
        if (*p == '+')
            parsed->modifiers |= wait_mod::Shift;
        else if (*p == '^')
            parsed->modifiers |= wait_mod::Ctrl;
        else if (*p == '!')
            parsed->modifiers |= wait_mod::Alt;
        else
            break;
    }
    if (!*p) return false;
    if (*p == '{' && p[1]) {
        // A name up to the closing brace (the first character always
        // belongs to it); a single character stands for itself; a name the
        // table lacks leaves its first letter as the key.
        const char* close = std::strchr(p + 2, '}');
        if (close) {
            const std::string_view body(p + 1, static_cast<std::size_t>(close - p - 1));
            if (body.size() >= 2) {
                const int code = KeyCodeOfName(body, key_use::WaitForKey);
                if (code >= 0) {
                    parsed->named = true;
                    parsed->code = code;
                    return true;
                }
            }
        }
        ++p;
    }
    parsed->character = plat::to_upper_char(*p);
    return true;
}

} // namespace jol
