// Exported entry of the expression evaluator, for extenders and hosts that
// read their own arguments from the token stream.
#include "host/script_context.h"
#include "lang/evaluator.h"
#include "platform/platform.h"

JOL_EXPORT int ProcessSubExpression(jol::ScriptContext* ctx, jol::Value* result,
                                    int assignment_allowed) {
    if (!ctx || !result) return 0;
    return jol::ProcessSubExpression(ctx, *result, assignment_allowed);
}
