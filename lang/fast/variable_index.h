// The variable index (VariableIndex, lang/variable_entry.h): the entry that
// last held a key, by the key's hash, so that a lookup need not scan the
// table. A slot is only a hint: a hit is taken only when its entry is in
// use, below the count and carries the key (the library never gives two
// entries in use one name), which is the entry the scan would find;
// anything else is left to the scan.
#pragma once

#include <cstddef>
#include <cstring>

#include "host/context/script_context.h"
#include "lang/fast/speedups.h"

namespace jol {

namespace detail {

constexpr std::size_t kIndexKeySize = kVarNameMax + 1;

// The entry's name equals the key up to the key's terminator or over the
// whole name field, as strncmp compares them, without the library call.
inline bool SameKey(const VarEntry& e, const char* key) {
    for (std::size_t k = 0; k < kIndexKeySize; ++k) {
        if (e.name[k] != key[k]) return false;
        if (key[k] == 0) return true;
    }
    return true;
}

inline unsigned KeyHash(const char* key) {
    unsigned h = 2166136261u;
    for (std::size_t k = 0; k < kIndexKeySize && key[k]; ++k)
        h = (h ^ static_cast<unsigned char>(key[k])) * 16777619u;
    return (h ^ (h >> 15)) & (kVarIndexSlots - 1);
}

// The index of the context, emptied first when the table binding changed.
inline VariableIndex& BoundIndex(ScriptContext* ctx) {
    VariableIndex& ix = ctx->var_index;
    if (ix.table != ctx->vars || ix.capacity != ctx->vars_capacity) {
        std::memset(ix.slot, 0, sizeof ix.slot);
        ix.table = ctx->vars;
        ix.capacity = ctx->vars_capacity;
    }
    return ix;
}

} // namespace detail

// The entry the index holds for the key, checked as above; -1 when there
// is none (or the index is switched off): the scan decides. Inline: every
// variable lookup takes it.
inline int IndexedEntry(ScriptContext* ctx, const char* key) {
    if (!SpeedupOn(speedup::Variables) || !ctx || !ctx->vars) return -1;
    const VariableIndex& ix = detail::BoundIndex(ctx);
    int count = ctx->vars_count;
    if (count > ctx->vars_capacity) count = ctx->vars_capacity;
    const int hint = ix.slot[detail::KeyHash(key)] - 1;
    if (hint < 0 || hint >= count) return -1;
    const VarEntry& e = ctx->vars[hint];
    return e.flags != 0 && detail::SameKey(e, key) ? hint : -1;
}

// Remembers that entry n (-1: none, nothing noted) holds the key.
void RememberEntry(ScriptContext* ctx, const char* key, int n);

} // namespace jol
