#include "lang/evaluator.h"

#include <cmath>
#include <cstring>

#include "dispatch/dispatcher.h"
#include "dispatch/object_calls.h"
#include "host/context/errors.h"
#include "lang/conversion.h"
#include "lang/fast/expression_programs.h"
#include "lang/fast/speedups.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "platform/text.h"

namespace jol {
namespace {

bool IsKeyword(const ScriptContext* ctx, int id) {
    return ctx->token.cls == TokenClass::Keyword && ctx->token.id == id;
}

void SetInteger(ScriptContext* ctx, Value& v, std::int32_t n) {
    FreeValueString(ctx, v);
    v.i = n;
    v.flags = vf::Integer;
    v.var = -1;
}

void SetFloat(ScriptContext* ctx, Value& v, double f) {
    FreeValueString(ctx, v);
    v.f = f;
    v.flags = vf::Float;
    v.var = -1;
}

void RaiseMathError(ScriptContext* ctx) {
    TakeMathError(ctx);
}

// How an arithmetic operand is used.
enum class Num { None, Int, Float };

// Integer if the integer view is valid, float if the float view is; a
// string becomes an integer if it is an integer text, else a float if it
// reads as one.
Num Classify(ScriptContext* ctx, Value& v) {
    if (v.flags & vf::Integer) return Num::Int;
    if (v.flags & vf::Float) return Num::Float;
    if (v.flags & vf::String) {
        if (ToInteger(ctx, v, true)) return Num::Int;
        if (ToFloat(ctx, v)) return Num::Float;
        if (ctx->error_code) return Num::None;
    }
    return Num::None;
}

std::uint32_t PowerWrapped(std::uint32_t base, std::uint32_t exp) {
    // Repeated multiplication modulo 2^32, by squaring.
    std::uint32_t r = 1;
    while (exp) {
        if (exp & 1u) r *= base;
        base *= base;
        exp >>= 1;
    }
    return r;
}

} // namespace

Err OtherIntegerOutcome(int op, std::int32_t a, std::int32_t b, std::int32_t* out) {
    auto ua = static_cast<std::uint32_t>(a);
    auto ub = static_cast<std::uint32_t>(b);
    std::uint32_t r = 0;
    switch (op) {
    case kw::Power:
        if (b < 0) return Err::MathFactorial;
        r = PowerWrapped(ua, ub);
        break;
    case kw::ShiftLeft:
        r = ua << (ub & 31u);
        break;
    case kw::ShiftRight:
        r = static_cast<std::uint32_t>(a >> (ub & 31u));
        break;
    case kw::BitAnd:
        r = ua & ub;
        break;
    case kw::BitOr:
        r = ua | ub;
        break;
    case kw::BitXor:
        r = ua ^ ub;
        break;
    case kw::And:
        r = (a != 0 && b != 0) ? 1u : 0u;
        break;
    case kw::Or:
        r = (a != 0 || b != 0) ? 1u : 0u;
        break;
    default:
        return Err::Syntax;
    }
    *out = static_cast<std::int32_t>(r);
    return Err::None;
}

namespace {

int IntegerOperation(ScriptContext* ctx, int op, Value& left, std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (const Err code = IntegerOutcome(op, a, b, &r); code != Err::None) return Raise(ctx, code);
    SetInteger(ctx, left, r);
    return 1;
}

int FloatOperation(ScriptContext* ctx, int op, Value& left, double a, double b) {
    double r = 0.0;
    switch (op) {
    case kw::Plus:
        r = a + b;
        break;
    case kw::Minus:
        r = a - b;
        break;
    case kw::Multiply:
        r = a * b;
        break;
    case kw::Divide:
        if (b == 0.0) return Raise(ctx, Err::DivideByZero);
        r = a / b;
        break;
    case kw::Mod: {
        if (b == 0.0) return Raise(ctx, Err::DivideByZero);
        double t = std::trunc(a / b);
        r = std::isfinite(t) ? a - b * t : std::fmod(a, b);
        break;
    }
    case kw::Power:
        r = GuardedPower(a, b);
        if (TakeMathError(ctx) != Err::None) return 0;
        break;
    case kw::And:
        SetInteger(ctx, left, (a != 0.0 && b != 0.0) ? 1 : 0);
        return 1;
    case kw::Or:
        SetInteger(ctx, left, (a != 0.0 || b != 0.0) ? 1 : 0);
        return 1;
    case kw::ShiftLeft:
    case kw::ShiftRight:
    case kw::BitAnd:
    case kw::BitOr:
    case kw::BitXor:
        return Raise(ctx, Err::BinaryOperatorType);
    default:
        return Raise(ctx, Err::Syntax);
    }
    // A result that is no number or too large never leaves the operator.
    if (std::isnan(r)) return Raise(ctx, Err::MathDomain);
    if (std::fabs(r) > 1e300) return Raise(ctx, Err::MathOverflow);
    if (std::fabs(r) < 1e-300) r = 0.0;
    SetFloat(ctx, left, r);
    return 1;
}

// ------------------------------------------------------------ comparison

enum class View { None, Int, Float, Str };

View ViewOf(const Value& v) {
    if (v.flags & vf::Integer) return View::Int;
    if (v.flags & vf::Float) return View::Float;
    if (v.flags & vf::String) return View::Str;
    return View::None;
}

enum class Mode { Int, Float, Str };

// For a string operand facing a number: an integer text, a float text or
// neither (no error is left behind).
View StringAsNumber(ScriptContext* ctx, Value& s, bool integer_wanted) {
    if (integer_wanted && ToInteger(ctx, s, true)) return View::Int;
    if (ToFloat(ctx, s)) return View::Float;
    ClearSpeculativeError(ctx);
    return View::Str;
}

} // namespace

int CompareResult(int op, int sign) {
    switch (op) {
    case kw::Equal:
        return sign == 0;
    case kw::NotEqual:
    case kw::LessGreater:
        return sign != 0;
    case kw::Less:
        return sign < 0;
    case kw::LessEqual:
        return sign <= 0;
    case kw::Greater:
        return sign > 0;
    case kw::GreaterEqual:
        return sign >= 0;
    default:
        return 0;
    }
}

namespace {

ExpressionRoutine g_expression_for_testing = nullptr;

bool IsEquality(int op) {
    return op == kw::Equal || op == kw::NotEqual || op == kw::LessGreater;
}

// ------------------------------------------------------------- the levels

int UnaryPrimary(ScriptContext* ctx, Value& out);

int Operand(ScriptContext* ctx, Value& out) {
    switch (ctx->token.cls) {
    case TokenClass::Variable: {
        int n = FindVarHinted(ctx, ctx->token.text, ctx->token.var_slot);
        if (n < 0) return 0;
        const VarEntry& e = ctx->vars[n];
        Value v;
        v.f = e.f;
        v.i = e.i;
        v.flags = e.flags;
        v.str = 0;
        if ((e.flags & vf::String) && e.str) {
            v.str = HeapCopyText(ctx, HeapText(ctx, e.str));
            if (!v.str) return 0;
        }
        v.var = static_cast<std::int16_t>(n);
        out = v;
        break;
    }
    case TokenClass::Integer:
        out = Value{};
        out.i = ParseIntegerText(ctx->token.text);
        out.flags = vf::Integer;
        break;
    case TokenClass::String: {
        std::uint16_t h = HeapCopyText(ctx, ctx->token.text);
        if (!h) return 0;
        out = Value{};
        out.f = kFillerFloat;
        out.i = kFillerInteger;
        out.flags = vf::String;
        out.str = h;
        break;
    }
    case TokenClass::Float: {
        Value v;
        if (!ParseFloatText(ctx, ctx->token.text, v)) return Raise(ctx, Err::TooManyDots);
        out = Value{};
        out.f = v.f;
        out.flags = vf::Float;
        break;
    }
    default:
        return Raise(ctx, Err::Syntax);
    }
    return NextToken(ctx);
}

int ParenthesisOrConstant(ScriptContext* ctx, Value& out) {
    if (IsKeyword(ctx, kw::LParen)) {
        if (!NextToken(ctx)) return 0;
        if (!ProcessSubExpression(ctx, out, 0)) return 0;
        if (!IsKeyword(ctx, kw::RParen)) return Raise(ctx, Err::Parenthesis);
        return NextToken(ctx);
    }
    if (ctx->token.cls == TokenClass::Keyword) {
        const KeywordEntry* row = KeywordRow(ctx, ctx->token.id);
        if (row && row->kind == kind::Constant) {
            out = Value{};
            if (!ConstantValue(ctx, *row, out)) return Raise(ctx, Err::Syntax);
            out.var = -1;
            return NextToken(ctx);
        }
    }
    return Operand(ctx, out);
}

int UnaryPrimary(ScriptContext* ctx, Value& out) {
    if (ctx->token.cls != TokenClass::Keyword) return Operand(ctx, out);
    int id = ctx->token.id;
    const KeywordEntry* row = KeywordRow(ctx, id);
    if (!row) return ParenthesisOrConstant(ctx, out);
    if (RowDisabled(*row)) return Raise(ctx, Err::FunctionDisabled);
    switch (row->kind) {
    case kind::Unary:
        if (!NextToken(ctx)) return 0;
        if (!UnaryPrimary(ctx, out)) return 0;
        return ApplyUnary(ctx, id, out);
    case kind::Function:
        out = Value{};
        if (id == kw::ObjectRef) return EvaluateObjectMember(ctx, out) && ctx->error_code == 0;
        return CallFunction(ctx, id, out) && ctx->error_code == 0;
    case kind::VarNames:
        if (!NextToken(ctx)) return 0;
        if (!IsKeyword(ctx, kw::LParen)) return Raise(ctx, Err::OpenParenMissing);
        return id == kw::Drop ? EvaluateDrop(ctx, out) : EvaluateIsDefined(ctx, out);
    default:
        return ParenthesisOrConstant(ctx, out);
    }
}

} // namespace

int EvaluateOperand(ScriptContext* ctx, Value& out) {
    return UnaryPrimary(ctx, out);
}

void SetExpressionRoutineForTesting(ExpressionRoutine routine) {
    g_expression_for_testing = routine;
}

int BinaryOperatorLevel(int id) {
    switch (id) {
    case kw::And:
    case kw::Or:
        return 1;
    case kw::BitAnd:
    case kw::BitOr:
    case kw::BitXor:
        return 2;
    case kw::Equal:
    case kw::NotEqual:
    case kw::LessGreater:
    case kw::Less:
    case kw::LessEqual:
    case kw::Greater:
    case kw::GreaterEqual:
        return 3;
    case kw::ShiftLeft:
    case kw::ShiftRight:
        return 4;
    case kw::Plus:
    case kw::Minus:
        return 5;
    case kw::Multiply:
    case kw::Divide:
    case kw::Mod:
        return 6;
    case kw::Power:
        return 7;
    default:
        return 0;
    }
}

namespace {

// The levels min_level and tighter by precedence climbing, one frame per
// operand: the operand, then every operator of level min_level or
// tighter, each with a right side of the next tighter level. Operators
// apply, tokens are read and errors arise in the order of a descent with
// one frame per level: an '=' meets the comparison level's check whenever
// that level is open, which is the case exactly when min_level is 3 or
// looser.
int Climb(ScriptContext* ctx, int min_level, Value& out) {
    if (!UnaryPrimary(ctx, out)) return 0;
    for (;;) {
        if (ctx->token.cls != TokenClass::Keyword) return 1;
        const int op = ctx->token.id;
        if (op == kw::Assign && min_level <= 3) return Raise(ctx, Err::AssignmentNotLegal);
        const int level = BinaryOperatorLevel(op);
        if (level < min_level) return 1; // also 0: no binary operator
        if (!NextToken(ctx)) return 0;
        Value right;
        int ok = Climb(ctx, level + 1, right);
        if (ok) ok = level == 3 ? Compare(ctx, op, out, right) : ApplyBinary(ctx, op, out, right);
        FreeValueString(ctx, right);
        if (!ok || ctx->error_code) return 0;
    }
}

// A whole expression: all levels from the loosest.
int Expression(ScriptContext* ctx, Value& out) {
    if (g_expression_for_testing) [[unlikely]]
        return g_expression_for_testing(ctx, out);
    return Climb(ctx, 1, out);
}

// The current token becomes the saved one again (after stepping back over
// the token read behind it).
struct SavedToken {
    TokenClass cls;
    std::int16_t id;
    std::int16_t var_slot;
    const char* start;
    char text[sizeof(TokenState::text)];
};

void SaveToken(const ScriptContext* ctx, SavedToken& s) {
    s.cls = ctx->token.cls;
    s.id = ctx->token.id;
    s.var_slot = ctx->token.var_slot;
    s.start = ctx->token.start;
    std::memcpy(s.text, ctx->token.text, sizeof s.text);
}

void RestoreToken(ScriptContext* ctx, const SavedToken& s) {
    UngetToken(ctx);
    ctx->token.cls = s.cls;
    ctx->token.id = s.id;
    ctx->token.var_slot = s.var_slot;
    ctx->token.start = s.start;
    std::memcpy(ctx->token.text, s.text, sizeof s.text);
}

int Evaluate(ScriptContext* ctx, Value& result, int assignment_allowed) {
    if (ctx->token.cls == TokenClass::Variable || IsKeyword(ctx, kw::ObjectRef)) {
        SavedToken saved;
        SaveToken(ctx, saved);
        if (!NextToken(ctx)) return 0;
        if (!IsKeyword(ctx, kw::Assign)) {
            RestoreToken(ctx, saved);
            return Expression(ctx, result);
        }
        if (!assignment_allowed) return Raise(ctx, Err::AssignmentNotLegal);
        if (NextToken(ctx)) Expression(ctx, result);

        if (saved.cls == TokenClass::Keyword) {
            // object.member = value: a property assignment.
            if (ctx->error_code) return 0;
            if (ctx->token.cls != TokenClass::End) return Raise(ctx, Err::PastEnd);
            return AssignObjectMember(ctx, saved.text, result);
        }

        // A copy of an object read from a variable owns it before the
        // target lets go of what it held (the target may be that variable).
        if (result.flags == kObjectValueFlags && result.var >= 0) {
            AddObjectOwner(ctx, result.i);
            result.var = -1;
        }

        // The target holds the integer 0 before anything else is checked.
        // It is found again by name: the right side may have dropped it.
        int index = LookupVariableHinted(ctx, saved.text, saved.var_slot);
        if (index < 0 && ctx->error_code == 0) index = MentionVariable(ctx, saved.text);
        if (index >= 0) ClearVariable(ctx, index);
        if (ctx->error_code) return 0;
        if (ctx->token.cls != TokenClass::End) return Raise(ctx, Err::PastEnd);
        return StoreVariable(ctx, index, result);
    }
    return Expression(ctx, result);
}

} // namespace

void FreeValueString(ScriptContext* ctx, Value& v) {
    if (v.str) HeapFree(ctx, v.str);
    v.str = 0;
    v.flags &= ~vf::String;
}

int ApplyUnary(ScriptContext* ctx, int op, Value& v) {
    Num n = Classify(ctx, v);
    if (n == Num::None) return Raise(ctx, Err::NoNumber);
    if (n == Num::Float) {
        double f = v.f;
        switch (op) {
        case kw::Not:
            SetInteger(ctx, v, f == 0.0 ? 1 : 0);
            break;
        case kw::Plus:
            SetFloat(ctx, v, f);
            break;
        case kw::Minus:
            SetFloat(ctx, v, -f);
            break;
        case kw::BitNot:
            return Raise(ctx, Err::UnaryOperatorType);
        default:
            return Raise(ctx, Err::Syntax);
        }
    } else {
        auto u = static_cast<std::uint32_t>(v.i);
        switch (op) {
        case kw::Not:
            u = v.i == 0 ? 1u : 0u;
            break;
        case kw::Plus:
            break;
        case kw::Minus:
            u = 0u - u;
            break;
        case kw::BitNot:
            u = ~u;
            break;
        default:
            return Raise(ctx, Err::Syntax);
        }
        SetInteger(ctx, v, static_cast<std::int32_t>(u));
    }
    RaiseMathError(ctx);
    return ctx->error_code == 0;
}

int ApplyBinary(ScriptContext* ctx, int op, Value& left, Value& right) {
    Num a = Classify(ctx, left);
    Num b = a == Num::None ? Num::None : Classify(ctx, right);
    if (a == Num::None || b == Num::None) return Raise(ctx, Err::NoNumber);
    int ok;
    if (a == Num::Float || b == Num::Float) {
        if (!ToFloat(ctx, left) || !ToFloat(ctx, right)) return Raise(ctx, Err::NoNumber);
        ok = FloatOperation(ctx, op, left, left.f, right.f);
    } else {
        ok = IntegerOperation(ctx, op, left, left.i, right.i);
    }
    if (!ok) return 0;
    RaiseMathError(ctx);
    return ctx->error_code == 0;
}

namespace {

// The float view of a value whose string view's text is text.
int FloatView(ScriptContext* ctx, Value& v, const char* text) {
    if (v.flags & (vf::Float | vf::Integer)) return ToFloat(ctx, v);
    return TextToFloat(ctx, text, v);
}

} // namespace

int CompareTexts(ScriptContext* ctx, int op, Value& left, const char* lt, Value& right,
                 const char* rt) {
    View l = ViewOf(left);
    View r = ViewOf(right);
    if (l == View::None || r == View::None) return Raise(ctx, Err::NoNumber);
    Mode mode;
    if (l != View::Str && r != View::Str) {
        mode = (l == View::Int && r == View::Int) ? Mode::Int : Mode::Float;
    } else if (l == View::Str && r == View::Str) {
        // Two integer texts compare as integers, two number texts as
        // floats, anything else as words.
        if (TextToInteger(lt, left) && TextToInteger(rt, right)) {
            mode = Mode::Int;
        } else if (FloatView(ctx, left, lt) && FloatView(ctx, right, rt)) {
            mode = Mode::Float;
        } else {
            mode = Mode::Str;
        }
        ClearSpeculativeError(ctx);
    } else {
        // One string against one number.
        Value& s = l == View::Str ? left : right;
        Value& num = l == View::Str ? right : left;
        View as = StringAsNumber(ctx, s, ViewOf(num) == View::Int);
        if (as == View::Int) {
            mode = Mode::Int;
        } else if (as == View::Float) {
            mode = Mode::Float;
        } else {
            mode = Mode::Str;
            if (!ToString(ctx, num)) return Raise(ctx, Err::StringMemory);
            (l == View::Str ? rt : lt) = HeapText(ctx, num.str);
        }
    }

    int sign = 0;
    if (mode == Mode::Int) {
        sign = left.i < right.i ? -1 : (left.i > right.i ? 1 : 0);
    } else if (mode == Mode::Float) {
        if (!ToFloat(ctx, left) || !ToFloat(ctx, right)) return Raise(ctx, Err::NoNumber);
        if (IsEquality(op)) {
            // Equality of floats is decided on the text they are shown as.
            double lf = left.f, rf = right.f;
            SetFloat(ctx, left, lf);
            SetFloat(ctx, right, rf);
            char lt[32], rt[32];
            if (!FormatFloat(ctx, lf, lt) || !FormatFloat(ctx, rf, rt)) return 0;
            sign = std::strcmp(lt, rt);
        } else {
            double d = left.f - right.f;
            sign = d < 0.0 ? -1 : (d > 0.0 ? 1 : 0);
        }
    } else {
        int c = plat::compare_text(lt, rt, false, false);
        sign = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    SetInteger(ctx, left, CompareResult(op, sign));
    RaiseMathError(ctx);
    return ctx->error_code == 0;
}

int Compare(ScriptContext* ctx, int op, Value& left, Value& right) {
    return CompareTexts(ctx, op, left, HeapText(ctx, left.str), right, HeapText(ctx, right.str));
}

int ProcessSubExpression(ScriptContext* ctx, Value& result, int assignment_allowed) {
    if (!ctx) return 0;
    if (ctx->error_code) return 0;
    if (ctx->token.cached_line && SpeedupOn(speedup::Programs)) {
        const int r = RunExpressionProgram(ctx, result, assignment_allowed);
        if (r > 0) return 1;
        if (r == 0) {
            FreeValueString(ctx, result);
            return 0;
        }
    }
    if (Evaluate(ctx, result, assignment_allowed) && ctx->error_code == 0) return 1;
    FreeValueString(ctx, result);
    return 0;
}

} // namespace jol
