#include "tests/fuzz/reference_levels.h"

#include "host/context/errors.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/tokenizer.h"

namespace fuzz {
namespace {

using jol::Err;
using jol::ScriptContext;
using jol::TokenClass;
using jol::Value;
namespace kw = jol::kw;

constexpr int kLevels = 7;

bool IsLevelOperator(int level, int id) {
    switch (level) {
    case 1:
        return id == kw::And || id == kw::Or;
    case 2:
        return id == kw::BitAnd || id == kw::BitOr || id == kw::BitXor;
    case 3:
        return id == kw::Equal || id == kw::NotEqual || id == kw::LessGreater || id == kw::Less ||
               id == kw::LessEqual || id == kw::Greater || id == kw::GreaterEqual;
    case 4:
        return id == kw::ShiftLeft || id == kw::ShiftRight;
    case 5:
        return id == kw::Plus || id == kw::Minus;
    case 6:
        return id == kw::Multiply || id == kw::Divide || id == kw::Mod;
    case 7:
        return id == kw::Power;
    default:
        return false;
    }
}

// The levels level and tighter: the next tighter level, then every
// operator of this level with a right side of the next tighter level.
int Level(ScriptContext* ctx, int level, Value& out) {
    if (level > kLevels) return jol::EvaluateOperand(ctx, out);
    if (!Level(ctx, level + 1, out)) return 0;
    for (;;) {
        if (ctx->token.cls != TokenClass::Keyword) return 1;
        const int op = ctx->token.id;
        if (level == 3 && op == kw::Assign) return jol::Raise(ctx, Err::AssignmentNotLegal);
        if (!IsLevelOperator(level, op)) return 1;
        if (!jol::NextToken(ctx)) return 0;
        Value right;
        int ok = Level(ctx, level + 1, right);
        if (ok)
            ok = level == 3 ? jol::Compare(ctx, op, out, right)
                            : jol::ApplyBinary(ctx, op, out, right);
        jol::FreeValueString(ctx, right);
        if (!ok || ctx->error_code) return 0;
    }
}

} // namespace

int ReferenceExpression(ScriptContext* ctx, Value& out) {
    return Level(ctx, 1, out);
}

} // namespace fuzz
