// Differential fuzz target of the fast paths: the same bytes run as a script
// three times, with every speed-up off (and the expressions evaluated by
// the reference descent of tests/fuzz/reference_levels.cpp), with all of them on, and with all
// on but one (chosen from the input, so that a difference names its
// speed-up), each in an environment of its own (context, variable table,
// string heap) that starts every input in the same state. The runs must
// leave the same outcome: the result of ProcessDaBatBuffer, the last run record (error,
// result, line start), the error code, every variable in table order (its
// name, type flags and text), the free total of the heap and the place of
// every block in it. Any difference is printed and aborts.
//
// Only functions whose results depend on nothing but their arguments and
// the context stay enabled (strings, item lists, numbers, the session's
// binary buffer, error modes, the boxes that quiet mode answers), so that
// both runs compute the same values. A run ends after kMaxLines executed
// lines, as in fuzz_script.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "dispatch/handler.h"
#include "host/context/script_context.h"
#include "host/entry_points.h"
#include "host/process_buffer.h"
#include "lang/evaluator.h"
#include "lang/fast/speedups.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/memory.h"
#include "tests/fuzz/fuzz_limits.h"
#include "tests/fuzz/reference_levels.h"

namespace {

using fuzz::g_context;
using fuzz::g_lines;
using fuzz::kHeapBytes;
using fuzz::kVarEntries;

// Functions that compute from their arguments and the context alone, and
// the boxes, which quiet mode answers at once.
bool Deterministic(int id) {
    return (jol::FunctionTraits(id) &
            (jol::trait::Pure | jol::trait::OwnContext | jol::trait::ShowsBox)) != 0;
}

void DisableNondeterministicFunctions() {
    fuzz::DisableUnsafeFunctions();
    jol::KeywordEntry* rows = jol::WritableBuiltinKeywords();
    const int count = jol::BuiltinKeywordCount();
    for (int i = 0; i < count; ++i)
        if ((rows[i].kind & ~jol::kind::Disabled) == jol::kind::Function &&
            !Deterministic(rows[i].id))
            rows[i].kind |= jol::kind::Disabled;
}

struct Outcome {
    std::int32_t ran = 0;
    std::int32_t error_code = 0;
    std::int32_t last_error = 0;
    std::int32_t last_result = 0;
    std::int32_t last_line = 0;
    std::uint32_t heap_free = 0;
    std::string variables; // name, flags and text of every entry, in order
    std::string layout;    // the heap's header words and every block's bookkeeping
};

// The heap as a run leaves it: the header words (the free list's ends, the
// rover) and, block by block, its offset, tag and size, and a free block's
// links. Both runs must place every string alike.
std::string HeapLayout(const char* heap) {
    auto word = [heap](std::uint32_t off) {
        std::uint32_t v;
        std::memcpy(&v, heap + off, sizeof v);
        return v;
    };
    const std::uint32_t size = word(32); // the formatted size, kept in the header
    std::string out;
    char item[48];
    for (std::uint32_t off = 0; off < jol::kHeapFirstBlock; off += 4) {
        std::snprintf(item, sizeof item, "%u ", word(off));
        out += item;
    }
    for (std::uint32_t off = jol::kHeapFirstBlock; off + 12 < size;) {
        const std::uint32_t tag = word(off), n = word(off + 4);
        if (n < jol::kHeapMinBlock || n % 4 != 0 || n > size - off) break;
        if (tag == jol::kFreeBlockTag)
            std::snprintf(item, sizeof item, "|%u free %u %u/%u", off, n, word(off + 8),
                          word(off + 12));
        else
            std::snprintf(item, sizeof item, "|%u used %u", off, n);
        out += item;
        off += n;
    }
    return out;
}

struct Environment : fuzz::Blocks {
    Outcome Run(const std::uint8_t* data, std::size_t size) {
        Outcome out;
        plat::MemHandle block = plat::mem_alloc(size + 2);
        if (!block) std::abort();
        if (size) std::memcpy(plat::mem_lock(block), data, size);
        if (size) plat::mem_unlock(block);
        g_lines = 0;
        g_context = context;
        out.ran = ProcessDaBatBuffer(0, context, block, &fuzz::StopAfterMaxLines, nullptr);
        if (plat::mem_lock_count(block)) std::abort();
        plat::mem_free(block);
        if (plat::mem_lock_count(context) || plat::mem_lock_count(vars) ||
            plat::mem_lock_count(heap))
            std::abort();

        auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(context));
        ctx->vars = static_cast<jol::VarEntry*>(plat::mem_lock(vars));
        ctx->heap.base = static_cast<char*>(plat::mem_lock(heap));
        out.error_code = ctx->error_code;
        out.last_error = ctx->last_run.error;
        out.last_result = ctx->last_run.result;
        out.last_line = ctx->last_run.line_start;
        out.heap_free = jol::HeapFreeTotal(ctx->heap.base);
        out.layout = HeapLayout(ctx->heap.base);
        for (int i = 0; i < ctx->vars_count; ++i) {
            const jol::VarEntry& e = ctx->vars[i];
            char text[kHeapBytes];
            if (!jol::GetVariableText(ctx, e.name, text, sizeof text)) std::strcpy(text, "<none>");
            char head[64];
            std::snprintf(head, sizeof head, "%d %u ", i, static_cast<unsigned>(e.flags));
            out.variables += head;
            out.variables.append(e.name, strnlen(e.name, sizeof e.name));
            out.variables += '=';
            out.variables += text;
            out.variables += '\n';
        }
        // Every variable is dropped again: the heap must be whole, so that
        // the next input starts from the same state on both sides.
        for (int i = ctx->vars_count - 1; i >= 0; --i)
            jol::DropVariable(ctx, i);
        const std::uint32_t total = jol::HeapFreeTotal(ctx->heap.base);
        ctx->vars = nullptr;
        ctx->heap.base = nullptr;
        plat::mem_unlock(heap);
        plat::mem_unlock(vars);
        plat::mem_unlock(context);
        if (total != empty_total) std::abort(); // a string outlived its run
        return out;
    }
};

// Process-wide set-up before the environments are made: the settings
// store in a folder of its own, the function rows, the version handshake.
struct Setup {
    Setup() { fuzz::StartProcess("jol-fuzz-speedups", DisableNondeterministicFunctions); }
};

struct Sessions : Setup {
    Environment plain, fast, all_but_one;
};

void Report(const char* what, const char* run, const Outcome& a, const Outcome& b) {
    std::fprintf(stderr,
                 "fuzz_speedups: %s differs with %s\n"
                 "plain: ran %d error %d last run %d/%d at %d heap %u\n%s"
                 "fast:  ran %d error %d last run %d/%d at %d heap %u\n%s",
                 what, run, a.ran, a.error_code, a.last_error, a.last_result, a.last_line,
                 a.heap_free, a.variables.c_str(), b.ran, b.error_code, b.last_error, b.last_result,
                 b.last_line, b.heap_free, b.variables.c_str());
    std::abort();
}

// Aborts with the difference when the run of the speed-ups named by run
// left another outcome than the plain one.
void Compare(const char* run, const Outcome& plain, const Outcome& fast) {
    if (plain.ran != fast.ran) Report("the result", run, plain, fast);
    if (plain.error_code != fast.error_code) Report("the error code", run, plain, fast);
    if (plain.last_error != fast.last_error || plain.last_result != fast.last_result ||
        plain.last_line != fast.last_line)
        Report("the last run", run, plain, fast);
    if (plain.variables != fast.variables) Report("the variables", run, plain, fast);
    if (plain.heap_free != fast.heap_free) Report("the heap", run, plain, fast);
    if (plain.layout != fast.layout) {
        std::fprintf(stderr, "plain heap: %s\nfast heap:  %s\n", plain.layout.c_str(),
                     fast.layout.c_str());
        Report("the heap's layout", run, plain, fast);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Sessions s;
    // The plain run also evaluates with the reference descent through the
    // precedence levels, the oracle of the evaluator's climb.
    jol::SetSpeedupsForTesting(0);
    jol::SetExpressionRoutineForTesting(&fuzz::ReferenceExpression);
    const Outcome plain = s.plain.Run(data, size);
    jol::SetExpressionRoutineForTesting(nullptr);
    jol::SetSpeedupsForTesting(jol::speedup::All);
    Compare("all speed-ups", plain, s.fast.Run(data, size));
    // The speed-up left off: from the input's bytes, so that each input
    // always takes the same one.
    std::uint32_t h = 2166136261u;
    for (std::size_t k = 0; k < size; ++k)
        h = (h ^ data[k]) * 16777619u;
    const int off = static_cast<int>(h % jol::speedup::kCount);
    jol::SetSpeedupsForTesting(jol::speedup::All & ~(1u << off));
    char run[64];
    std::snprintf(run, sizeof run, "all speed-ups but \"%s\"", jol::speedup::kNames[off]);
    Compare(run, plain, s.all_but_one.Run(data, size));
    return 0;
}
