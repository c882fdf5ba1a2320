// Function calls: the argument list is read and evaluated here, each
// argument converted as the function's keyword row asks, and the call
// routed by id to its handler, a host function or an extender.
#include "dispatch/dispatcher.h"

#include <cstring>

#include "dispatch/extenders.h"
#include "dispatch/handler.h"
#include "host/context/errors.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/fast/change_epoch.h"
#include "lang/fast/line_cache.h"
#include "lang/fast/speedups.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"

namespace jol {
namespace {

constexpr int kVariadic = 100;

bool IsKeyword(const ScriptContext* ctx, int id) {
    return ctx->token.cls == TokenClass::Keyword && ctx->token.id == id;
}

void FreeSlots(ScriptContext* ctx, Value* args, int last) {
    FreeArguments(ctx, args, last < 5 ? last + 1 : 6);
}

// Converts the arguments 1..count as the row's bits ask. 0 with the error
// set when one cannot be converted.
int ConvertArguments(ScriptContext* ctx, Value* args, int count, unsigned string_bits,
                     unsigned float_bits) {
    for (int i = 1; i <= count; ++i) {
        Value& a = args[i];
        const unsigned bit = 1u << (i - 1);
        if (string_bits & bit) {
            if (!ToString(ctx, a)) return Raise(ctx, Err::NoString);
        } else if (float_bits & bit) {
            if (!ToFloat(ctx, a)) return Raise(ctx, Err::NoFloat);
        } else if (!ToInteger(ctx, a, true)) {
            // A text such as "2.5" becomes an integer by way of its float
            // view; a failed first try leaves no error behind.
            if (ctx->error_code || !ToFloat(ctx, a) || !ToInteger(ctx, a, true))
                return Raise(ctx, Err::NoNumber);
        }
    }
    return 1;
}

int Dispatch(ScriptContext* ctx, int id, Value& result, Value* args, bool variadic, int count,
             unsigned string_bits, unsigned float_bits) {
    result = Value{};
    result.flags = vf::Integer;
    if (!variadic && count >= 1 && !ConvertArguments(ctx, args, count, string_bits, float_bits))
        return 0;
    if (id == kw::ObjectRef) {
        // Member access on an object reference needs the automation bridge,
        // which this library does not load.
        Raise(ctx, Err::ObjectsNotInitialized);
    } else if (id <= kw::LastBuiltin) {
        FunctionHandler handler = FindHandler(id);
        if (handler)
            handler(ctx, id, result, args);
        else
            Raise(ctx, Err::FunctionNotDefined);
    } else if ((id >= kw::HostBase && id <= kw::HostLast) ||
               (id >= kw::ExtenderBase && id <= kw::ExtenderLast)) {
        ExtenderCall(ctx, id, result, args);
    } else {
        Raise(ctx, Err::FunctionNotDefined);
    }
    // A numeric result never carries text.
    if ((result.flags & (vf::Integer | vf::Float)) && (result.flags & vf::String)) {
        FreeValueString(ctx, result);
        result.flags &= ~vf::String;
    }
    TakeMathError(ctx);
    return ctx->error_code == 0;
}

// The call with its arguments read: converted and dispatched, then the
// arguments freed. The function may have run host code (a host function, a
// box's message loop) that rewrote the host's keyword table.
void FinishCall(ScriptContext* ctx, int id, Value& result, Value* args, bool variadic, int count,
                unsigned string_bits, unsigned float_bits) {
    Dispatch(ctx, id, result, args, variadic, count, string_bits, float_bits);
    if (ctx->host_keywords && SpeedupOn(speedup::Tokens)) CheckHostKeywords(ctx);
    FreeSlots(ctx, args, count);
}

} // namespace

void FreeArguments(ScriptContext* ctx, Value* first, int count) {
    for (int i = 0; i < count; ++i)
        if (first[i].flags & vf::String) FreeValueString(ctx, first[i]);
}

int CallWithArguments(ScriptContext* ctx, int id, Value& result, Value* args, int count) {
    const KeywordEntry* row = KeywordRow(ctx, id);
    if (!row) {
        Raise(ctx, Err::FunctionNotDefined);
        FreeSlots(ctx, args, count);
        return 0;
    }
    FinishCall(ctx, id, result, args, false, count, RowStringArgs(*row), RowFloatArgs(*row));
    return ctx->error_code == 0;
}

int CallFunction(ScriptContext* ctx, int id, Value& result) {
    if (!ctx) return 0;
    const KeywordEntry* row = KeywordRow(ctx, id);
    if (!row) return Raise(ctx, Err::FunctionNotDefined);
    int count = static_cast<int>(RowValue(*row) & 0xFFFF);
    const bool variadic = count == kVariadic;
    if (variadic)
        count = 0;
    else if (count > 5) {
        return Raise(ctx, Err::RowArguments);
    }
    const unsigned string_bits = RowStringArgs(*row);
    const unsigned float_bits = RowFloatArgs(*row);

    if (!NextToken(ctx)) return 0;
    if (!IsKeyword(ctx, kw::LParen))
        return Raise(ctx, id == kw::ObjectRef ? Err::ObjectsNotInitialized : Err::OpenParenMissing);

    Value args[6];
    if (!variadic) {
        if (!NextToken(ctx)) return 0;
        for (int i = 1; i <= count; ++i) {
            if (i > 1) {
                if (!NextToken(ctx)) { // steps over the comma
                    FreeSlots(ctx, args, i - 1);
                    return 0;
                }
            }
            Value temp;
            if (!ProcessSubExpression(ctx, temp, 0) || ctx->error_code) {
                FreeValueString(ctx, temp);
                FreeSlots(ctx, args, i - 1);
                return 0;
            }
            args[i] = temp;
            if (i < count && !IsKeyword(ctx, kw::Comma)) {
                FreeSlots(ctx, args, i);
                return Raise(ctx, Err::ArgumentDelimiter);
            }
        }
        if (!IsKeyword(ctx, kw::RParen)) {
            FreeSlots(ctx, args, count);
            return Raise(ctx, Err::ArgumentCount);
        }
    }

    FinishCall(ctx, id, result, args, variadic, count, string_bits, float_bits);
    // Any function but the few that expression programs call may have run
    // code outside the library (a box's message loop, a host function, a
    // DLL) that renamed variables or wrote a script block.
    NoteChange();
    if (ctx->error_code) return 0;
    return NextToken(ctx);
}

} // namespace jol
