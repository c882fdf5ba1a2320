// Exported entry of the expression evaluator, for extenders and hosts that
// read their own arguments from the token stream.
#include "host/context/script_context.h"
#include "include/jol.h"
#include "lang/evaluator.h"
#include "lang/variables.h"
#include "platform/abi.h"

// The context is the locked context block; the value is storage the caller
// provides (JolValue holds one).
JOL_EXPORT int ProcessSubExpression(JolScriptContext* context, JolValue* value,
                                    int assignment_allowed) {
    auto* ctx = reinterpret_cast<jol::ScriptContext*>(context);
    auto* result = reinterpret_cast<jol::Value*>(value);
    if (!ctx || !result) return 0;
    // The caller may have written the table directly before calling in.
    jol::InvalidateVariableIndex(ctx);
    return jol::ProcessSubExpression(ctx, *result, assignment_allowed);
}
