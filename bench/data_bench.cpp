// Speed of the data functions: string replacement and concatenation, item
// lists at the sizes the string heap allows, and binary buffer sorting and
// searching. The handlers are called as the dispatcher calls them, with
// their arguments already in the string heap; StrCat reads its own
// arguments from a script line.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/handler.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "lib/data/binary_buffers.h"

namespace {

struct Rig {
    std::vector<jol::VarEntry> vars = std::vector<jol::VarEntry>(200);
    std::vector<char> heap = std::vector<char>(jol::kHeapMaxSize);
    jol::ScriptContext* ctx = new jol::ScriptContext();
    char line[257] = {};

    Rig() {
        ctx->vars = vars.data();
        ctx->vars_capacity = static_cast<std::uint16_t>(vars.size());
        ctx->decimals = -1;
        ctx->heap.size = jol::FormatStringHeap(heap.data(), heap.size(), jol::kHeapMaxSize);
        ctx->heap.base = heap.data();
    }
    ~Rig() {
        jol::FreeBinaryBuffers(ctx);
        delete ctx;
    }

    jol::Value Text(const std::string& s) {
        jol::Value v;
        v.str = jol::HeapCopyText(ctx, s.c_str());
        v.flags = jol::vf::String;
        return v;
    }
    static jol::Value Int(std::int32_t n) {
        jol::Value v;
        v.i = n;
        v.flags = jol::vf::Integer;
        return v;
    }
    // Calls the handler of a function; a string result is released at once.
    // The result's integer (0 for a string) or -1 on an error.
    std::int32_t Call(const char* name, jol::Value* args) {
        const jol::KeywordEntry* row = jol::FindBuiltinKeyword(name);
        jol::FunctionHandler h = row ? jol::FindHandler(row->id) : nullptr;
        if (!h) return -1;
        jol::Value result;
        result.flags = jol::vf::Integer;
        jol::ClearError(ctx);
        if (!h(ctx, row->id, result, args) || ctx->error_code) return -1;
        if (result.flags & jol::vf::String) {
            jol::HeapFree(ctx, result.str);
            return 0;
        }
        return result.i;
    }
    // Runs one statement as the run loop does.
    void Run(const char* text) {
        std::snprintf(line, sizeof line, "%s", text);
        jol::ClearError(ctx);
        ctx->current_line = line;
        ctx->token.cursor = line;
        jol::get_token(ctx);
        jol::Value v;
        jol::ProcessSubExpression(ctx, v, 1);
        jol::FreeValueString(ctx, v);
    }
};

// Items of six bytes ("k" and four digits, then the delimiter) in a
// scrambled order.
std::string ScrambledList(int items) {
    std::string list;
    char item[16];
    for (int i = 0; i < items; ++i) {
        std::snprintf(item, sizeof item, "k%04d,", (i * 7919) % items);
        list += item;
    }
    return list;
}

void BM_StrReplace32K(benchmark::State& state) {
    Rig rig;
    // 32,000 bytes with an occurrence every eight bytes; the result has the
    // same size, so text and result together fill the heap.
    std::string text;
    while (text.size() < 32000)
        text += "abcdefgh";
    jol::Value args[6] = {{}, rig.Text(text), rig.Text("cd"), rig.Text("XY")};
    for (auto _ : state)
        if (rig.Call("strreplace", args) != 0) state.SkipWithError("StrReplace failed");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_StrReplace32K)->Unit(benchmark::kMicrosecond);

void BM_StrCatManyPieces(benchmark::State& state) {
    Rig rig;
    // Forty pieces of 500 bytes: the result grows step by step to 20,000
    // bytes.
    rig.Run("p = StrFill(\"0123456789\", 500)");
    std::string stmt = "x = StrCat(p";
    for (int i = 1; i < 40; ++i)
        stmt += ",p";
    stmt += ")";
    for (auto _ : state) {
        rig.Run(stmt.c_str());
        if (rig.ctx->error_code) state.SkipWithError("StrCat failed");
        // The next result must not share the heap with this one.
        rig.Run("Drop(x)");
    }
    state.SetItemsProcessed(state.iterations() * 40);
}
BENCHMARK(BM_StrCatManyPieces)->Unit(benchmark::kMicrosecond);

void BM_ItemSortLargest(benchmark::State& state) {
    Rig rig;
    // 5,400 items, 32,400 bytes: the list and its sorted copy fill the heap.
    std::string list = ScrambledList(5400);
    jol::Value args[6] = {{}, rig.Text(list), rig.Text(",")};
    for (auto _ : state)
        if (rig.Call("itemsort", args) != 0) state.SkipWithError("ItemSort failed");
    state.SetItemsProcessed(state.iterations() * 5400);
}
BENCHMARK(BM_ItemSortLargest)->Unit(benchmark::kMillisecond);

void BM_ItemExtractWalk2000(benchmark::State& state) {
    Rig rig;
    // Every item of a 2,000-item list in turn, as a script loop takes them.
    std::string list = ScrambledList(2000);
    jol::Value args[6] = {{}, Rig::Int(0), rig.Text(list), rig.Text(",")};
    for (auto _ : state) {
        for (std::int32_t i = 1; i <= 2000; ++i) {
            args[1].i = i;
            if (rig.Call("itemextract", args) != 0) state.SkipWithError("ItemExtract failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_ItemExtractWalk2000)->Unit(benchmark::kMillisecond);

// A buffer of the given size; its handle, or 0.
std::int32_t NewBuffer(Rig& rig, std::int32_t size) {
    jol::Value args[6] = {{}, Rig::Int(size)};
    std::int32_t h = rig.Call("binaryalloc", args);
    return h > 0 ? h : 0;
}

void BM_BinarySort10000(benchmark::State& state) {
    Rig rig;
    // 10,000 records of 8 bytes with a scrambled 32-bit key; every run sorts
    // the same scrambled order again.
    const std::int32_t records = 10000;
    std::int32_t h = NewBuffer(rig, records * 8);
    jol::BinaryBufferView view;
    if (!h || !jol::GetBinaryBuffer(rig.ctx, h, &view)) {
        state.SkipWithError("no buffer");
        return;
    }
    std::vector<unsigned char> scrambled(static_cast<std::size_t>(records) * 8);
    std::uint32_t x = 12345;
    for (std::size_t r = 0; r < static_cast<std::size_t>(records); ++r) {
        x = x * 1103515245u + 12345u;
        std::memcpy(&scrambled[r * 8], &x, 4);
        std::memcpy(&scrambled[r * 8 + 4], &r, 4);
    }
    jol::Value args[6] = {{}, Rig::Int(h), Rig::Int(8), Rig::Int(0), Rig::Int(4), Rig::Int(4)};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(view.data, scrambled.data(), scrambled.size());
        state.ResumeTiming();
        if (rig.Call("binarysort", args) != 1) state.SkipWithError("BinarySort failed");
    }
    state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_BinarySort10000)->Unit(benchmark::kMillisecond);

void BM_BinaryIndex1M(benchmark::State& state) {
    Rig rig;
    // 1 MB of data whose only match lies at its end, searched from the
    // start, exactly and ignoring case.
    const std::int32_t size = 1 << 20;
    std::int32_t h = NewBuffer(rig, size);
    jol::BinaryBufferView view;
    if (!h || !jol::GetBinaryBuffer(rig.ctx, h, &view)) {
        state.SkipWithError("no buffer");
        return;
    }
    for (std::int32_t i = 0; i < size; ++i)
        view.data[i] = static_cast<unsigned char>('a' + i % 23);
    std::memcpy(view.data + size - 6, "needle", 6);
    jol::SetBinaryBufferEod(rig.ctx, h, static_cast<std::uint32_t>(size));
    const char* name = state.range(0) ? "binaryindexnc" : "binaryindex";
    jol::Value args[6] = {{}, Rig::Int(h), Rig::Int(0), rig.Text("needle"), Rig::Int(0)};
    for (auto _ : state)
        if (rig.Call(name, args) != size - 6) state.SkipWithError("BinaryIndex missed");
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_BinaryIndex1M)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
