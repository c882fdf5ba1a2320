#include "lang/text_join.h"

#include <cstring>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/string_heap.h"

namespace jol {
namespace {

constexpr std::uint32_t kFirstCapacity = 128;
constexpr std::uint32_t kGrowth = 64;

} // namespace

bool BeginJoin(ScriptContext* ctx, TextJoin& join) {
    join = TextJoin{};
    const std::uint16_t h = ctx->heap.base ? VMalloc(ctx->heap.base, kFirstCapacity + 1) : 0;
    if (!h) return Raise(ctx, Err::StringMemory);
    ctx->heap.base[h] = 0;
    join.block = h;
    join.capacity = kFirstCapacity;
    return true;
}

bool JoinValue(ScriptContext* ctx, TextJoin& join, Value& v) {
    if (!ToString(ctx, v)) {
        Raise(ctx, Err::NoString);
        FreeValueString(ctx, v);
        AbandonJoin(ctx, join);
        return false;
    }
    const char* text = HeapText(ctx, v.str);
    const std::size_t len = std::strlen(text);
    if (join.total + len > join.capacity) {
        // The result grows before anything is copied into it.
        const std::size_t want = join.total + len + kGrowth;
        const std::uint16_t bigger =
            want + 1 < kHeapMaxSize ? VMalloc(ctx->heap.base, static_cast<std::uint32_t>(want + 1))
                                    : 0;
        if (!bigger) {
            Raise(ctx, Err::StringMemory);
            FreeValueString(ctx, v);
            AbandonJoin(ctx, join);
            return false;
        }
        std::memcpy(ctx->heap.base + bigger, ctx->heap.base + join.block, join.total + 1);
        HeapFree(ctx, join.block);
        join.block = bigger;
        join.capacity = static_cast<std::uint32_t>(want);
    }
    std::memcpy(ctx->heap.base + join.block + join.total, text, len + 1);
    join.total += static_cast<std::uint32_t>(len);
    FreeValueString(ctx, v);
    return true;
}

void AbandonJoin(ScriptContext* ctx, TextJoin& join) {
    if (join.block) HeapFree(ctx, join.block);
    join.block = 0;
}

void FailJoin(ScriptContext* ctx, TextJoin& join) {
    Raise(ctx, Err::StrCatSyntax);
    AbandonJoin(ctx, join);
}

void FinishJoin(TextJoin& join, Value& result) {
    result.str = join.block;
    result.flags = vf::String;
    join.block = 0;
}

} // namespace jol
