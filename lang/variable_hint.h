// The quick check of a variable-table hint that the line cache and the
// expression programs make for every name they hand out or read: the same
// answer as the hinted lookups of lang/variables.h give with the fast paths
// on, without a call.
#pragma once

#include <cstddef>

#include "host/script_context.h"

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

} // namespace jol
