#include "lib/data/item_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/string_heap.h"
#include "lib/data/string_functions.h"
#include "platform/boxes.h"
#include "platform/memory.h"
#include "platform/window_system.h"

namespace jol {

ItemDelimiter MakeItemDelimiter(const char* argument) {
    ItemDelimiter d;
    int n = argument ? CharBytes(argument) : 0;
    if (n == 0) return d;
    d.bytes[0] = argument[0];
    d.bytes[1] = n == 2 ? argument[1] : 0;
    d.length = n;
    return d;
}

namespace {

// Bytes of the delimiter at p, 0 when the character at p is another one.
inline int DelimiterAt(const char* p, const ItemDelimiter& d) {
    if (*p != d.bytes[0]) return 0;
    if (d.length == 1) return CharBytes(p) == 1 ? 1 : 0;
    return CharBytes(p) == 2 && p[1] == d.bytes[1] ? 2 : 0;
}

// The end of the item that starts at p: the next delimiter or the end.
const char* ItemEnd(const char* p, const ItemDelimiter& d) {
    for (int n; (n = CharBytes(p)) != 0; p += n)
        if (DelimiterAt(p, d)) break;
    return p;
}

} // namespace

std::size_t CountItems(const char* list, const ItemDelimiter& d) {
    if (!*list) return 0;
    std::size_t delimiters = 0;
    bool last_was_delimiter = false;
    for (int n; (n = CharBytes(list)) != 0; list += n) {
        last_was_delimiter = DelimiterAt(list, d) != 0;
        if (last_was_delimiter) ++delimiters;
    }
    return delimiters + (last_was_delimiter ? 0 : 1);
}

bool FindItem(const char* list, const ItemDelimiter& d, long long index, const char** start,
              std::size_t* length) {
    if (index < 1) return false;
    const char* p = list;
    for (long long i = 1; i < index; ++i) {
        p = ItemEnd(p, d);
        if (!*p) return false;
        p += d.length;
    }
    // A stretch that begins at the end of the list is no item (the empty
    // list, or the place after a trailing delimiter).
    if (!*p) return false;
    const char* end = ItemEnd(p, d);
    *start = p;
    *length = static_cast<std::size_t>(end - p);
    return true;
}

int CompareItems(const char* a, std::size_t a_len, const char* b, std::size_t b_len) {
    std::size_t n = a_len < b_len ? a_len : b_len;
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<signed char>(a[i]);
        auto y = static_cast<signed char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a_len == b_len) return 0;
    return a_len < b_len ? -1 : 1;
}

namespace {

int Integer(Value& result, std::int64_t n) {
    result.i = static_cast<std::int32_t>(n);
    result.flags = vf::Integer;
    return 1;
}

int FnItemCount(ScriptContext* ctx, int, Value& result, Value* args) {
    ItemDelimiter d = MakeItemDelimiter(ArgText(ctx, args[2]));
    return Integer(result, static_cast<std::int64_t>(CountItems(ArgText(ctx, args[1]), d)));
}

int FnItemExtract(ScriptContext* ctx, int, Value& result, Value* args) {
    ItemDelimiter d = MakeItemDelimiter(ArgText(ctx, args[3]));
    const char* start = "";
    std::size_t length = 0;
    if (!FindItem(ArgText(ctx, args[2]), d, args[1].i, &start, &length)) length = 0;
    if (SetResultText(ctx, result, start, length)) return 1;
    // The failure is shown before it is reported.
    char bytes[kIntegerTextSize];
    FormatInteger(static_cast<std::int32_t>(length + 1), bytes, 10);
    plat::message_box(plat::get_focus(), bytes, "Mem Error",
                      plat::mb::Ok | plat::mb::SetForeground);
    Raise(ctx, Err::StringMemory);
    return 0;
}

int FnItemInsert(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* item = ArgText(ctx, args[1]);
    std::int64_t index = args[2].i;
    const char* list = ArgText(ctx, args[3]);
    ItemDelimiter d = MakeItemDelimiter(ArgText(ctx, args[4]));
    std::size_t item_bytes = std::strlen(item);
    std::size_t list_bytes = std::strlen(list);
    std::size_t room = list_bytes + item_bytes + 2 * static_cast<std::size_t>(d.length);
    char* out = NewResultText(ctx, result, room);
    if (!out) return 0;
    char* w = out;
    auto put_item = [&] {
        std::memcpy(w, item, item_bytes);
        w += item_bytes;
        std::memcpy(w, d.bytes, static_cast<std::size_t>(d.length));
        w += d.length;
    };
    bool inserted = false;
    std::int64_t counter = 0;
    bool ends_with_delimiter = false;
    for (const char* p = list; *p;) {
        if (!inserted && counter == index) {
            put_item();
            inserted = true;
        }
        int n = CharBytes(p);
        ends_with_delimiter = DelimiterAt(p, d) != 0;
        if (ends_with_delimiter) ++counter;
        std::memcpy(w, p, static_cast<std::size_t>(n));
        w += n;
        p += n;
    }
    if (!inserted) {
        if (list_bytes != 0 && !ends_with_delimiter) {
            std::memcpy(w, d.bytes, static_cast<std::size_t>(d.length));
            w += d.length;
        }
        put_item();
    }
    *w = 0;
    return 1;
}

int FnItemLocate(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* item = ArgText(ctx, args[1]);
    const char* p = ArgText(ctx, args[2]);
    ItemDelimiter d = MakeItemDelimiter(ArgText(ctx, args[3]));
    std::size_t item_bytes = std::strlen(item);
    if (item_bytes == 0 || !*p) return Integer(result, 0);
    for (std::int64_t number = 1;; ++number) {
        const char* end = ItemEnd(p, d);
        if (static_cast<std::size_t>(end - p) == item_bytes &&
            std::memcmp(p, item, item_bytes) == 0)
            return Integer(result, number);
        if (!*end) break;
        p = end + d.length;
        if (!*p) break;
    }
    return Integer(result, 0);
}

int FnItemRemove(ScriptContext* ctx, int, Value& result, Value* args) {
    std::int64_t index = args[1].i;
    const char* list = ArgText(ctx, args[2]);
    ItemDelimiter d = MakeItemDelimiter(ArgText(ctx, args[3]));
    char* out = NewResultText(ctx, result, std::strlen(list));
    if (!out) return 0;
    char* w = out;
    std::int64_t counter = 1;
    for (const char* p = list; *p;) {
        int n = CharBytes(p);
        bool delimiter = DelimiterAt(p, d) != 0;
        if (counter != index) {
            std::memcpy(w, p, static_cast<std::size_t>(n));
            w += n;
        }
        if (delimiter) ++counter;
        p += n;
    }
    *w = 0;
    return 1;
}

struct ItemSpan {
    std::uint32_t offset;
    std::uint32_t length;
};

int FnItemSort(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* list = ArgText(ctx, args[1]);
    ItemDelimiter d = MakeItemDelimiter(ArgText(ctx, args[2]));
    std::size_t items = CountItems(list, d);

    // The spans of the non-empty items, in a work block of global memory.
    plat::MemHandle block = 0;
    ItemSpan* spans = nullptr;
    if (items) {
        block = plat::mem_alloc(items * sizeof(ItemSpan));
        spans = block ? static_cast<ItemSpan*>(plat::mem_lock(block)) : nullptr;
        if (!spans) {
            if (block) plat::mem_free(block);
            Raise(ctx, Err::StringMemory);
            return 0;
        }
    }
    std::size_t count = 0;
    std::size_t total = 0;
    for (const char* p = list; *p && count < items;) {
        const char* end = ItemEnd(p, d);
        if (end != p) {
            spans[count].offset = static_cast<std::uint32_t>(p - list);
            spans[count].length = static_cast<std::uint32_t>(end - p);
            total += static_cast<std::size_t>(end - p) + static_cast<std::size_t>(d.length);
            ++count;
        }
        if (!*end) break;
        p = end + d.length;
    }
    // Items that compare equal are byte for byte the same, so the order of
    // equal items cannot show in the result.
    std::sort(spans, spans + count, [list](const ItemSpan& a, const ItemSpan& b) {
        return CompareItems(list + a.offset, a.length, list + b.offset, b.length) < 0;
    });
    char* out = NewResultText(ctx, result, total);
    if (out) {
        char* w = out;
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(w, list + spans[i].offset, spans[i].length);
            w += spans[i].length;
            std::memcpy(w, d.bytes, static_cast<std::size_t>(d.length));
            w += d.length;
        }
        *w = 0;
    }
    if (block) {
        plat::mem_unlock(block);
        plat::mem_free(block);
    }
    return out ? 1 : 0;
}

constexpr ModuleFunction kFunctions[] = {
    {"itemcount", FnItemCount, trait::Pure | trait::ProgramCall},
    {"itemextract", FnItemExtract, trait::Pure | trait::ProgramCall},
    {"iteminsert", FnItemInsert, trait::Pure | trait::ProgramCall},
    {"itemlocate", FnItemLocate, trait::Pure | trait::ProgramCall},
    {"itemremove", FnItemRemove, trait::Pure | trait::ProgramCall},
    {"itemsort", FnItemSort, trait::Pure | trait::ProgramCall},
};
} // namespace

const Module kItemModule = MakeModule("item lists", kFunctions);

} // namespace jol
