// Speed of the language core: the tokenizer, the evaluator on typical
// statements, and the string heap's allocator.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/evaluator.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"

namespace {

struct Rig {
    std::vector<jol::VarEntry> vars = std::vector<jol::VarEntry>(200);
    std::vector<char> heap = std::vector<char>(65532);
    jol::ScriptContext* ctx = new jol::ScriptContext();
    char line[257] = {};

    Rig() {
        ctx->vars = vars.data();
        ctx->vars_capacity = static_cast<std::uint16_t>(vars.size());
        ctx->decimals = -1;
        ctx->heap.size = jol::FormatStringHeap(heap.data(), heap.size(), 65532);
        ctx->heap.base = heap.data();
    }
    ~Rig() { delete ctx; }

    void Start(const char* text) {
        std::strcpy(line, text);
        jol::ClearError(ctx);
        ctx->current_line = line;
        ctx->token.cursor = line;
        jol::get_token(ctx);
    }
    // One run of a statement, as the run loop does it each time the line
    // comes round: the line is read again from its text.
    void Run(const char* text) {
        Start(text);
        jol::Value v;
        jol::ProcessSubExpression(ctx, v, 1);
        jol::FreeValueString(ctx, v);
    }
};

const char* const kTypicalLines[] = {
    "total = total + Int(count * 3) / 2",       "If name == \"Notepad\" && count >= 10 Then Break",
    "text = StrCat(first, \" \", last, @crlf)", "result = (a << 2) | (b & 0xFF) ^ ~c",
    "value = 3.25 * radius ** 2 + offset",
};

void BM_TokensPerSecond(benchmark::State& state) {
    Rig rig;
    std::int64_t tokens = 0;
    for (auto _ : state) {
        for (const char* text : kTypicalLines) {
            rig.Start(text);
            while (rig.ctx->token.cls != jol::TokenClass::End && !rig.ctx->error_code) {
                ++tokens;
                jol::get_token(rig.ctx);
            }
        }
    }
    state.counters["tokens/s"] =
        benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TokensPerSecond);

void BM_IncrementVariable(benchmark::State& state) {
    Rig rig;
    rig.Run("x = 0");
    for (auto _ : state)
        rig.Run("x = x + 1");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IncrementVariable);

void BM_CompareStrings(benchmark::State& state) {
    Rig rig;
    rig.Run("s = \"abd\"");
    for (auto _ : state)
        rig.Run("r = s == \"abc\"");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompareStrings);

void BM_HeapAllocFree(benchmark::State& state) {
    Rig rig;
    const auto bytes = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        std::uint16_t h = jol::VMalloc(rig.heap.data(), bytes);
        benchmark::DoNotOptimize(h);
        jol::VFree(rig.ctx, rig.heap.data(), h);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HeapAllocFree)->Arg(8)->Arg(100)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
