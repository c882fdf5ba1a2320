// Fuzz target: arbitrary bytes as a script line, through %name%
// substitution, the tokenizer and the expression evaluator with a real
// context, variable table and string heap. After each input every string
// the evaluation made is freed again, so the heap's free total must come
// back to what the variables leave.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/context/script_context.h"
#include "lang/evaluator.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "tests/fuzz/fuzz_limits.h"

namespace {

struct Rig {
    std::vector<jol::VarEntry> vars = std::vector<jol::VarEntry>(64);
    std::vector<char> heap = std::vector<char>(16384);
    jol::ScriptContext* ctx = new jol::ScriptContext();
    Rig() { fuzz::DisableUnsafeFunctions(); }

    void Reset() {
        std::memset(vars.data(), 0, vars.size() * sizeof(jol::VarEntry));
        *ctx = jol::ScriptContext();
        ctx->vars = vars.data();
        ctx->vars_capacity = static_cast<std::uint16_t>(vars.size());
        ctx->decimals = -1;
        ctx->last_if = -1;
        ctx->heap.size = jol::FormatStringHeap(heap.data(), heap.size(), 16384);
        ctx->heap.base = heap.data();
        jol::SetVariable(ctx, "s", "abc", 0, 2);
        jol::SetVariable(ctx, "n", nullptr, 42, 1);
    }
};

// Frees the strings of every variable, so only a leak is left over.
void DropAll(jol::ScriptContext* ctx) {
    for (int i = 0; i < ctx->vars_count; ++i)
        jol::ClearVariable(ctx, i);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    static const std::uint32_t empty_total = [] {
        rig.Reset();
        DropAll(rig.ctx);
        return jol::HeapFreeTotal(rig.heap.data());
    }();
    rig.Reset();
    jol::ScriptContext* ctx = rig.ctx;

    char line[257];
    std::size_t n = size < 256 ? size : 256;
    std::memcpy(line, data, n);
    line[n] = 0;

    if (jol::SubstituteVariables(ctx, line)) {
        ctx->error_code = 0;
        ctx->current_line = line;
        ctx->token.cursor = line;
        jol::get_token(ctx);
        // Evaluate statement after statement, as a line of several
        // expressions would be, until the line ends or fails.
        for (int guard = 0; guard < 64 && !ctx->error_code; ++guard) {
            if (ctx->token.cls == jol::TokenClass::End) break;
            jol::Value v;
            const char* before = ctx->token.cursor;
            int ok = jol::ProcessSubExpression(ctx, v, 1);
            jol::FreeValueString(ctx, v);
            if (!ok) break;
            if (ctx->token.cls != jol::TokenClass::End && ctx->token.cursor == before)
                jol::get_token(ctx); // step over a token the expression did not take
        }
    }
    DropAll(ctx);
    if (jol::HeapFreeTotal(rig.heap.data()) != empty_total) std::abort(); // a leaked block
    return 0;
}
