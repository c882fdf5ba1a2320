// The exported tokenizer entry: extenders and hosts that evaluate a line of
// their own call get_token with the script context.
#include "host/script_context.h"
#include "include/jol.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "platform/platform.h"

JOL_EXPORT void get_token(JolScriptContext* context) {
    auto* ctx = reinterpret_cast<jol::ScriptContext*>(context);
    // A name read here may create an entry: the caller may have written
    // the table directly before calling in.
    if (ctx) jol::InvalidateVariableIndex(ctx);
    jol::get_token(ctx);
}
