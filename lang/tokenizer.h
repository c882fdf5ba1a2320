// The tokenizer: one token of the current line at a time, on demand, into
// the token state of the script context; and the %name% substitution that
// runs over a line before it is tokenized.
#pragma once

#include "host/context/script_context.h"

namespace jol {

// Reads the next token at the line cursor (ctx->token.cursor) into the
// token state. A failure raises its error code.
void get_token(ScriptContext* ctx);

// get_token, then the test every caller makes after it: true when no error
// is pending.
inline bool NextToken(ScriptContext* ctx) {
    get_token(ctx);
    return ctx->error_code == 0;
}

// Reads the next token at the line cursor from the text itself, without
// the token cache (get_token's general routine).
void ReadToken(ScriptContext* ctx);

// Moves the cursor back to where the current token began. Only the current
// token can be stepped back over, once, and only while the cursor still
// stands right after it; for End it does nothing.
void UngetToken(ScriptContext* ctx);

// Reads a bare name (letters, digits, '@', '_', double-byte characters
// whole) as a String token with id -1; End at the end of the line or ';'.
void GetNameToken(ScriptContext* ctx);

// Replaces every %name% of the line in place. Returns 2 when the line held
// at least one %name% (replaced or not), 1 when it held none, 0 on error.
// The line must have room for 257 bytes.
int SubstituteVariables(ScriptContext* ctx, char* line);

} // namespace jol
