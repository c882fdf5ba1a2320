// The names of keys, one table for every place that writes keys by name:
// the key language of SendKey, the keys WaitForKey waits for, and the
// hotkeys of shortcuts and menus. Each name carries the uses it is
// accepted in: SendKey knows every name; WaitForKey a part of them.
#pragma once

#include <cstddef>
#include <string_view>

namespace jol {

namespace key_use {
constexpr unsigned SendKey = 1u << 0;
constexpr unsigned WaitForKey = 1u << 1;
} // namespace key_use

struct KeyName {
    const char* name; // upper case
    int code;         // the virtual-key code
    unsigned uses;    // key_use bits
};

// The whole table, in the order names are listed (the first name of a
// code is its preferred name).
const KeyName* KeyNames(std::size_t* count);

// The virtual-key code of a name accepted in one of the uses (compared
// ignoring ASCII case); -1 when there is none.
int KeyCodeOfName(std::string_view name, unsigned use);

// The preferred name of a code accepted in the use; null when none.
const char* KeyNameOfCode(int code, unsigned use);

} // namespace jol
