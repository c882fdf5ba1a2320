// Forgetting the lookup index of the variable table when the table may
// have been changed behind the library's back.
#pragma once

namespace jol {

struct ScriptContext;

// Forgets what the variable index holds; the next lookup starts it afresh.
// Called wherever the table may have been changed behind the library's
// back: at the start of a run, on entry from a host or an extender, and
// after control came back from one.
//
// Upward hook: the index is the language's (lang/variables.cpp defines
// this). It is declared here, below the language, because the message pump
// runs the host's code and must make the index forget.
void InvalidateVariableIndex(ScriptContext* ctx);

} // namespace jol
