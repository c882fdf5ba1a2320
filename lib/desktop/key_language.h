// The key language of SendKey and the key strings of WaitForKey, read
// without touching the keyboard: the items they describe, for the
// functions that send or wait for them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jol {

namespace key_mod {
constexpr unsigned Shift = 1u << 0;
constexpr unsigned Ctrl = 1u << 1;
constexpr unsigned Alt = 1u << 2;
} // namespace key_mod

// The largest repeat count of a braced item; a larger one is a syntax
// error, so that a slip of the finger cannot type for a day.
constexpr std::int32_t kMaxKeyRepeat = 10000;

// One item of the key language: a named key (by its virtual-key code) or a
// character (one byte, or the two bytes of a double-byte character), with
// the modifiers of its prefixes and its repeat count (0: send nothing).
struct KeyItem {
    bool named = false;
    int code = 0;
    char text[2] = {};
    std::size_t length = 0;
    unsigned modifiers = 0;
    std::int32_t repeat = 1;
};

enum class KeyParse { Item, End, Error };

// Reads the item at *pos of keys and moves *pos past it. Error: a syntax
// error (a missing closing brace, an empty pair of braces, a name not in
// the table, a bad or too large count, prefixes with nothing after them);
// the items before it stay valid.
KeyParse NextKeyItem(const char* keys, std::size_t* pos, KeyItem* item);

// The modifier bits of a WaitForKey key code.
namespace wait_mod {
constexpr std::uint32_t Shift = 0x8000;
constexpr std::uint32_t Ctrl = 0x4000;
constexpr std::uint32_t Alt = 0x2000;
} // namespace wait_mod

// A key string of WaitForKey: its prefix bits and either the virtual-key
// code of a name or the character to find on the keyboard. False when the
// string holds prefixes only.
struct ParsedWaitKey {
    std::uint32_t modifiers = 0;
    bool named = false;
    int code = 0;
    char character = 0; // upper case
};
bool ParseWaitKey(const char* text, ParsedWaitKey* parsed);

} // namespace jol
