// The exported tokenizer entry: extenders and hosts that evaluate a line of
// their own call get_token with the script context.
#include "lang/tokenizer.h"
#include "platform/platform.h"

JOL_EXPORT void get_token(jol::ScriptContext* ctx) {
    jol::get_token(ctx);
}
