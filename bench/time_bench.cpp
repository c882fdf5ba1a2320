// Speed of the time functions: TimeAdd over spans that stay within a day,
// cross month ends and carry over many years, and TimeDiffSecs. The
// handlers are called as the dispatcher calls them, with their arguments
// already in the string heap; each TimeAdd result is released at once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dispatch/handler.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/variables.h"

namespace {

struct Rig {
    std::vector<jol::VarEntry> vars = std::vector<jol::VarEntry>(16);
    std::vector<char> heap = std::vector<char>(jol::kHeapMaxSize);
    jol::ScriptContext* ctx = new jol::ScriptContext();
    const jol::KeywordEntry* row = nullptr;
    jol::FunctionHandler handler = nullptr;

    explicit Rig(const char* function) {
        ctx->vars = vars.data();
        ctx->vars_capacity = static_cast<std::uint16_t>(vars.size());
        ctx->decimals = -1;
        ctx->heap.size = jol::FormatStringHeap(heap.data(), heap.size(), jol::kHeapMaxSize);
        ctx->heap.base = heap.data();
        row = jol::FindBuiltinKeyword(function);
        handler = row ? jol::FindHandler(row->id) : nullptr;
    }
    ~Rig() { delete ctx; }

    jol::Value Text(const std::string& s) {
        jol::Value v;
        v.str = jol::HeapCopyText(ctx, s.c_str());
        v.flags = jol::vf::String;
        return v;
    }
    // One call; false on an error. A string result is released.
    bool Call(jol::Value* args, std::int32_t* out) {
        jol::Value result;
        result.flags = jol::vf::Integer;
        jol::ClearError(ctx);
        if (!handler || !handler(ctx, row->id, result, args) || ctx->error_code) return false;
        if (result.flags & jol::vf::String) jol::HeapFree(ctx, result.str);
        *out = result.i;
        return true;
    }
};

struct Case {
    const char* date;
    const char* span;
};

const Case kAddCases[] = {
    {"1997:12:31:23:59:59", "0:0:0:0:0:1"},       // carries through every field
    {"2000:01:31:12:00:00", "0:1:0:0:0:0"},       // a month end into March
    {"1999:06:15:08:30:00", "0:0:45:13:47:59"},   // days across months
    {"1970:01:01:00:00:00", "0:0:0:0:0:1000000"}, // seconds worth 11 days
    {"1901:03:01:00:00:00", "0:0:36500:0:0:0"},   // a century of days
};

void BM_TimeAdd(benchmark::State& state) {
    Rig rig("timeadd");
    std::vector<jol::Value> args;
    for (const Case& c : kAddCases) {
        args.push_back(jol::Value{});
        args.push_back(rig.Text(c.date));
        args.push_back(rig.Text(c.span));
    }
    const std::size_t count = sizeof kAddCases / sizeof kAddCases[0];
    std::int64_t calls = 0;
    std::int32_t out = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < count; ++k) {
            if (!rig.Call(&args[3 * k], &out)) {
                state.SkipWithError("TimeAdd failed");
                return;
            }
        }
        calls += static_cast<std::int64_t>(count);
    }
    state.SetItemsProcessed(calls);
}
BENCHMARK(BM_TimeAdd);

const Case kDiffCases[] = {
    {"1997:01:01:00:00:10", "1996:12:31:23:59:50"}, {"2060:03:26:23:59:59", "2000:01:01:00:00:00"},
    {"2000:03:01", "2000:02:28:12:00:00"},          {"99:12:31:23:59:59", "00:01:01:00:00:00"},
    {"2023:10:29:03:00:00", "1980:01:01:00:00:00"},
};

void BM_TimeDiffSecs(benchmark::State& state) {
    Rig rig("timediffsecs");
    std::vector<jol::Value> args;
    for (const Case& c : kDiffCases) {
        args.push_back(jol::Value{});
        args.push_back(rig.Text(c.date));
        args.push_back(rig.Text(c.span));
    }
    const std::size_t count = sizeof kDiffCases / sizeof kDiffCases[0];
    std::int64_t calls = 0;
    std::int32_t out = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < count; ++k) {
            if (!rig.Call(&args[3 * k], &out)) {
                state.SkipWithError("TimeDiffSecs failed");
                return;
            }
            benchmark::DoNotOptimize(out);
        }
        calls += static_cast<std::int64_t>(count);
    }
    state.SetItemsProcessed(calls);
}
BENCHMARK(BM_TimeDiffSecs);

} // namespace

BENCHMARK_MAIN();
