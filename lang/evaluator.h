// The expression evaluator: recursive descent over the on-demand token
// stream, one function per precedence level.
#pragma once

#include <cstdint>

#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "resources/error_codes.h"

namespace jol {

// Evaluates the expression that starts at the current token into result;
// the current token is left on the first token after it (End at the end of
// the line). With assignment_allowed, "name = expression" and
// "object.member = expression" are assignments. Returns 1, or 0 with the
// error in ctx->error_code; result then holds no string.
int ProcessSubExpression(ScriptContext* ctx, Value& result, int assignment_allowed);

// The operators, for callers that combine values themselves (loop counters
// and the like). op is a keyword id. The outcome is left in left, whose
// string is freed; right keeps its string (the caller frees it). Each
// returns 1, or 0 with an error.
int ApplyBinary(ScriptContext* ctx, int op, Value& left, Value& right);
int Compare(ScriptContext* ctx, int op, Value& left, Value& right);
int ApplyUnary(ScriptContext* ctx, int op, Value& operand);
// Compare, with lt and rt the texts of the operands' string views, which
// need not be in the heap (a value whose text is elsewhere has no handle).
int CompareTexts(ScriptContext* ctx, int op, Value& left, const char* lt, Value& right,
                 const char* rt);

// IntegerOutcome for the operators it does not take at once.
Err OtherIntegerOutcome(int op, std::int32_t a, std::int32_t b, std::int32_t* out);

// The integer arithmetic of a binary operator (not a comparison):
// Err::None with the outcome in out, or the error the operation raises.
// Results wrap around; a division by -1 is a negation (the one quotient
// that overflows wraps too) and its remainder 0. The commonest operators
// are taken here, where the callers' loops inline them.
inline Err IntegerOutcome(int op, std::int32_t a, std::int32_t b, std::int32_t* out) {
    const auto ua = static_cast<std::uint32_t>(a);
    const auto ub = static_cast<std::uint32_t>(b);
    switch (op) {
    case kw::Plus:
        *out = static_cast<std::int32_t>(ua + ub);
        return Err::None;
    case kw::Minus:
        *out = static_cast<std::int32_t>(ua - ub);
        return Err::None;
    case kw::Multiply:
        *out = static_cast<std::int32_t>(ua * ub);
        return Err::None;
    case kw::Divide:
        if (b == 0) return Err::DivideByZero;
        *out = b == -1 ? static_cast<std::int32_t>(0u - ua) : a / b;
        return Err::None;
    case kw::Mod:
        if (b == 0) return Err::DivideByZero;
        *out = b == -1 ? 0 : a % b;
        return Err::None;
    default:
        return OtherIntegerOutcome(op, a, b, out);
    }
}

// For the differential fuzzer only: a routine that evaluates a whole
// expression in place of the evaluator's precedence climb (null: the
// climb), and the operand it builds on (a value, a parenthesis, a call,
// with its unary operators). Set it only between runs.
using ExpressionRoutine = int (*)(ScriptContext* ctx, Value& out);
void SetExpressionRoutineForTesting(ExpressionRoutine routine);
int EvaluateOperand(ScriptContext* ctx, Value& out);

// A comparison's outcome (1 or 0) from the sign of left against right.
int CompareResult(int op, int sign);

// The level of a binary operator, 1 loosest (And, Or) to 7 tightest
// (power); 0 for any other keyword id.
int BinaryOperatorLevel(int id);

// Frees the string view of a value (if any) and clears its string bit.
void FreeValueString(ScriptContext* ctx, Value& v);

} // namespace jol
