// The only writers of the context's pending error code.
//
// An operation that fails raises its code and answers 0; every caller tests
// the pending code after each call into the tokenizer, the evaluator and
// the conversions, and stops at the first error. So the first error wins:
// Raise leaves a pending code as it is. The few places that must overwrite
// a pending code, or clear one, say so by the call they use.
#pragma once

#include <cstdint>

#include "host/context/assert.h"
#include "host/context/script_context.h"
#include "resources/error_codes.h"

namespace jol {

// Raises code unless an error is pending already. Returns 0, so that a
// failing operation reads "return Raise(ctx, Err::X);".
inline int Raise(ScriptContext* ctx, Err code) {
    JOL_ASSERT(code != Err::None);
    if (ctx->error_code == 0) ctx->error_code = static_cast<std::int16_t>(code);
    return 0;
}

// Replaces whatever is pending by code: the documented overwrites only (the
// code an extender's negative answer decides, the stop code after a box
// that reported the error, a cancel that finds no :CANCEL label, the stop
// code that ends the callers of a nested run). Returns 0.
inline int ReplaceError(ScriptContext* ctx, Err code) {
    JOL_ASSERT(code != Err::None);
    ctx->error_code = static_cast<std::int16_t>(code);
    return 0;
}

// Drops the code a speculative conversion or lookup raised: its failure
// only chose another way on.
inline void ClearSpeculativeError(ScriptContext* ctx) {
    ctx->error_code = 0;
}

// Clears the pending code where the run goes on after it: before a
// statement or a run, and after a box the user answered with OK.
inline void ClearError(ScriptContext* ctx) {
    ctx->error_code = 0;
}

// True when an error is pending; ErrorIs when that error is code.
inline bool HasError(const ScriptContext* ctx) {
    return ctx->error_code != 0;
}
inline bool ErrorIs(const ScriptContext* ctx, Err code) {
    return ctx->error_code == static_cast<std::int16_t>(code);
}
inline Err PendingError(const ScriptContext* ctx) {
    return static_cast<Err>(ctx->error_code);
}

// A pending code set aside while other work runs with a clear one (the
// service entry, a lookup whose failure is no error), and put back after.
struct SavedError {
    std::int16_t code;
};
inline SavedError SetErrorAside(ScriptContext* ctx) {
    const SavedError saved{ctx->error_code};
    ctx->error_code = 0;
    return saved;
}
inline void RestoreError(ScriptContext* ctx, SavedError saved) {
    ctx->error_code = saved.code;
}
// Puts the code back unless the work raised one of its own, which then
// takes its place: for work that may begin while an earlier code is still
// pending but not in force (an error ignored with @off before the next
// statement, the code a finished run left for the host).
inline void RestoreUnlessRaised(ScriptContext* ctx, SavedError saved) {
    if (ctx->error_code == 0) ctx->error_code = saved.code;
}

} // namespace jol
