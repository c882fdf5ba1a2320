// Expression programs: a fast path of the evaluator for lines that run
// again (loop bodies). An expression of a cached line whose tokens are all
// recorded, and which uses only variables, integer numbers, quoted strings,
// parentheses, binary operators and calls of the built-in string and item
// functions that compute from their arguments alone (StrCat with its list
// of any length among them) and of the line reads and writes of open files
// (none of them runs host code, touches a variable or shows a box), is
// translated once into steps; later
// evaluations of it run the steps instead of reading the tokens again.
//
// A program runs only when reading the tokens again would change nothing
// but the current token: every variable it reads is the entry its token
// was last mentioned as, and holds a value. Otherwise it gives up before it
// has changed anything, and the expression is evaluated as usual. When it
// runs, it takes the evaluator's own steps in the evaluator's order (the
// same operand copies into the string heap, the same operator functions,
// the same frees, on success and on error), so the variable table, the
// heap, the error and the result are exactly what the evaluator leaves.
// Only a comparison of two strings whose copies would be made and freed
// again with the heap's bookkeeping left as it was reads the texts where
// they are instead.
#pragma once

#include "host/context/script_context.h"
#include "lang/fast/line_cache.h"

namespace jol {

enum ProgramStepKind : std::uint8_t {
    StepVariable = 1,
    StepNumber = 2,
    StepString = 3,
    StepBinary = 4,
    StepCallOpen = 5, // a function's argument list begins
    StepArgEnd = 6,   // one of its arguments is complete
    StepCall = 7,     // the call, op the function, value its argument count
    StepJoinOpen = 8, // StrCat begins (op the function): its result block is taken
    StepJoinAdd = 9,  // one of its arguments is complete and joined on
    StepJoinEnd = 10  // its closing parenthesis: the joined text is the value
};
// Empty: a free place; Pending: tried while tokens of it were not recorded
// yet; Ready: translated; Refused: not an expression a program can run.
enum ProgramState : std::uint8_t {
    ProgramEmpty = 0,
    ProgramPending = 1,
    ProgramReady = 2,
    ProgramRefused = 3
};

// Runs the expression that starts at the current token from its program.
// 1: evaluated (result and token state as ProcessSubExpression leaves
// them); -1: not run, nothing changed, evaluate it as usual.
int RunExpressionProgram(ScriptContext* ctx, Value& result, int assignment_allowed);

// An expression whose first token is recorded in the line bound to the
// tokens (first) and has a program made for it by an earlier run of the
// line (assign: one that allows assignment, whose first token must be a
// name), run without reading that first token: an expression statement
// (an assignment among them) or the expression after IF, WHILE or TO.
// 1: evaluated, 0: failed (as ProcessSubExpression fails), with the token
// state reading the expression leaves; -1: not run, nothing changed.
int RunMadeProgram(ScriptContext* ctx, Value& result, int first, int assign);

// The entry of the line bound to the tokens while its tokens are valid,
// else null.
inline CachedLine* BoundTokens(const ScriptContext* ctx) {
    const TokenState& t = ctx->token;
    CachedLine* e = t.cached_line;
    if (!e || e->stamp != t.cached_stamp || e->generation != TokenCacheGeneration()) return nullptr;
    return e;
}

// The recorded token read from at in the bound line when a program may
// have been made for the expression it starts (assign as above), else -1:
// the quick look before RunMadeProgram, which checks everything again.
inline int ProgramTokenAt(const ScriptContext* ctx, const char* at, int assign) {
    const TokenState& t = ctx->token;
    const CachedLine* e = t.cached_line;
    if (!e || at < t.cached_base || at - t.cached_base > e->line_length) return -1;
    const unsigned k = e->slot[at - t.cached_base];
    if (k == 0 || e->tokens[k - 1u].program[assign] == 0) return -1;
    return static_cast<int>(k - 1u);
}

} // namespace jol
