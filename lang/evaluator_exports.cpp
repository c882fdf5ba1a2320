// Exported entry of the expression evaluator, for extenders and hosts that
// read their own arguments from the token stream.
#include "host/context/script_context.h"
#include "lang/evaluator.h"
#include "lang/variables.h"
#include "platform/abi.h"

JOL_EXPORT int ProcessSubExpression(jol::ScriptContext* ctx, jol::Value* result,
                                    int assignment_allowed) {
    if (!ctx || !result) return 0;
    // The caller may have written the table directly before calling in.
    jol::InvalidateVariableIndex(ctx);
    return jol::ProcessSubExpression(ctx, *result, assignment_allowed);
}
