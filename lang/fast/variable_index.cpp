#include "lang/fast/variable_index.h"

#include "host/context/assert.h"
#include "lang/fast/speedups.h"

namespace jol {

void RememberEntry(ScriptContext* ctx, const char* key, int n) {
    if (!SpeedupOn(speedup::Variables) || !ctx || !ctx->vars || n < 0) return;
    JOL_ASSERT(n < ctx->vars_count);
    detail::BoundIndex(ctx).slot[detail::KeyHash(key)] = static_cast<std::uint16_t>(n + 1);
}

} // namespace jol
