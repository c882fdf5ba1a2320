// The names of keys, one table for every place that writes keys by name:
// the key language of SendKey, the keys WaitForKey waits for, and the
// hotkeys of shortcuts and menus. Each name carries the uses it is
// accepted in: SendKey knows every name; WaitForKey a part of them; a
// hotkey every name but the modifiers (SHIFT, CTRL, MENU, ALT).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace jol {

namespace key_use {
constexpr unsigned SendKey = 1u << 0;
constexpr unsigned WaitForKey = 1u << 1;
constexpr unsigned Hotkey = 1u << 2;
// The key names of menu-file hotkeys: those WaitForKey knows.
constexpr unsigned MenuHotkey = 1u << 3;
} // namespace key_use

struct KeyName {
    const char* name; // upper case
    int code;         // the virtual-key code
    unsigned uses;    // key_use bits (Hotkey follows from SendKey, see above)
};

// The whole table, in the order names are listed (the first name of a
// code is its preferred name).
const KeyName* KeyNames(std::size_t* count);

// The virtual-key code of a name accepted in one of the uses (compared
// ignoring ASCII case); -1 when there is none.
int KeyCodeOfName(std::string_view name, unsigned use);

// The preferred name of a code accepted in the use; null when none.
const char* KeyNameOfCode(int code, unsigned use);

// Hotkeys: a word of the modifier bits times 256 plus the virtual key.
namespace hotkey_mod {
constexpr unsigned Shift = 1;
constexpr unsigned Ctrl = 2;
constexpr unsigned Alt = 4;
constexpr unsigned Extended = 8;
} // namespace hotkey_mod

// Reads the text of a hotkey: the prefixes "+" (Shift), "^" (Ctrl), "!"
// (Alt) and "?" (extended key) in any order, then the key: a letter or a
// digit (either case; its upper-case character code is the virtual key),
// or a name of the table in braces ("{F5}"), where a name of one
// character stands for that character. -1 when the text is no hotkey.
//
// A single character other than a letter or a digit is refused: its
// character code is not the virtual key of the key that types it ("." is
// the code of Delete), and the key that types a punctuation mark depends
// on the keyboard layout, so no fixed table would name the right key
// everywhere. Keys without a character are written by name.
int ParseHotkey(std::string_view text);

// Writes the text of a hotkey word: the prefixes in the order + ^ ! ?,
// then a letter or digit as itself, another key as its name in braces, and
// a key without a name as "{?}". The word 0 is the empty text. out holds
// at least kHotkeyTextSize bytes.
constexpr std::size_t kHotkeyTextSize = 32;
void FormatHotkey(std::uint16_t word, char* out);

} // namespace jol
