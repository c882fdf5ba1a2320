// The exported tokenizer entry: extenders and hosts that evaluate a line of
// their own call get_token with the script context.
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "include/jol.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "platform/abi.h"

JOL_EXPORT void get_token(JolScriptContext* context) {
    auto* ctx = reinterpret_cast<jol::ScriptContext*>(context);
    // A name read here may create an entry: the caller may have written
    // the table directly before calling in.
    if (!ctx) return;
    jol::InvalidateVariableIndex(ctx);
    // A host may call in with the code of its last run still pending; a
    // token that does not read is reported in its place.
    const jol::SavedError earlier = jol::SetErrorAside(ctx);
    jol::get_token(ctx);
    jol::RestoreUnlessRaised(ctx, earlier);
}
