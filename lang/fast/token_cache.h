// The token cache: the tokens read from a line of the line cache are kept
// in its entry by the cursor offset they were read from, and served again
// while the line is bound to the tokens (BindLineTokens) and the entry
// still holds that line in the same lookup state (lang/fast/line_cache.h).
// A token is recorded only when reading it raised no error; a served name
// is mentioned in the variable table as the tokenizer mentions it, through
// its entry hint when that still names the entry.
#pragma once

#include "host/context/script_context.h"

namespace jol {

struct CachedLine;

// get_token through the token cache of the bound line (the caller has
// checked that ctx->token.cached_line is set): true when the token was
// produced here (served, or read and recorded), false when the cursor is
// not in the bound line and the token must be read as usual.
bool ServeToken(ScriptContext* ctx);

// The serving of token k recorded for the bound line e, for a caller that
// knows the cursor stands where that token was read from and the binding
// is valid.
void ServeCachedToken(ScriptContext* ctx, CachedLine& e, int k);

} // namespace jol
