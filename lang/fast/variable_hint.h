// The quick check of a variable-table hint that the line cache and the
// expression programs make for every name they hand out or read: the same
// answer as the hinted lookups of lang/variables.h give with the fast paths
// on, without a call.
#pragma once

#include <cstddef>

#include "host/context/assert.h"
#include "host/context/script_context.h"
#include "lang/fast/change_epoch.h"
#include "lang/fast/line_cache.h"

namespace jol {

// True when entry hint of the context's table is in use and carries the
// name (length bytes, then its terminator), for a name that is its own key.
inline bool HintNamesEntry(const ScriptContext* ctx, const char* name, std::size_t length,
                           int hint) {
    if (hint < 0 || !ctx->vars || length > static_cast<std::size_t>(kVarNameMax)) return false;
    const int count = ctx->vars_count < ctx->vars_capacity ? ctx->vars_count : ctx->vars_capacity;
    if (hint >= count) return false;
    const VarEntry& e = ctx->vars[hint];
    if (e.flags == 0) return false;
    for (std::size_t k = 0; k <= length; ++k)
        if (e.name[k] != name[k]) return false;
    return true;
}

// HintNamesEntry for a recorded Variable token of line e: a hint that
// carried the name at the current change epoch, in the same table, needs
// only its entry still in use; otherwise the name is compared and, when it
// matches, the epoch is noted.
inline bool TokenNamesEntry(const ScriptContext* ctx, CachedLine& e, CachedToken& c) {
    const std::uint64_t epoch = ChangeEpoch();
    if (c.names_epoch == epoch && e.names_vars == ctx->vars && c.var_hint >= 0) {
        // The count only shrinks with a change noted: the hint that was
        // below it at this epoch still is.
        JOL_ASSERT(c.var_hint < ctx->vars_count && c.var_hint < ctx->vars_capacity);
        return ctx->vars[c.var_hint].flags != 0;
    }
    if (!HintNamesEntry(ctx, e.pool + c.text, c.length, c.var_hint)) return false;
    if (e.names_vars != ctx->vars) {
        // Epochs noted for another table say nothing about this one.
        for (int k = 0; k < e.count; ++k)
            e.tokens[k].names_epoch = 0;
        e.names_vars = ctx->vars;
    }
    c.names_epoch = epoch;
    return true;
}

} // namespace jol
