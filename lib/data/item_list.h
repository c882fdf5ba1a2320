// Item lists: strings whose items are separated by a one-character
// delimiter, and the functions ItemCount, ItemExtract, ItemInsert,
// ItemLocate, ItemRemove and ItemSort.
//
// The delimiter is the first character of the delimiter argument (a
// double-byte character counts whole); an empty argument means the tab.
// Items are numbered from 1; a delimiter at the end of a list closes the
// last item and opens no new one. Out-of-range indexes are no errors.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

// The delimiter of a delimiter argument: its first character, one or two
// bytes, or the tab for an empty argument.
struct ItemDelimiter {
    char bytes[2] = {'\t', 0};
    int length = 1;
};
ItemDelimiter MakeItemDelimiter(const char* argument);

// Number of items of a list.
std::size_t CountItems(const char* list, const ItemDelimiter& d);

// Item number index (1-based) of a list: its start and byte length. False
// when there is no such item.
bool FindItem(const char* list, const ItemDelimiter& d, long long index, const char** start,
              std::size_t* length);

// The byte order of ItemSort: a and b (of the given lengths) compared as
// signed 8-bit values, a prefix sorting first. Negative, 0 or positive.
int CompareItems(const char* a, std::size_t a_len, const char* b, std::size_t b_len);

// The module record of the item-list functions.
extern const Module kItemModule;

} // namespace jol
