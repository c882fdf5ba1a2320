// Fuzz target: arbitrary bytes as a script block, run through
// ProcessDaBatBuffer as a host runs a script: quiet mode on (boxes answer
// Cancel without being shown) and at most kMaxLines executed lines (the
// host callback's line notifications set the cancel flag, as a host does).
// After each run every variable is dropped again, so the heap's free total
// must come back to that of the empty heap: whatever the run left over
// besides the variables is a leak.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/context/script_context.h"
#include "host/entry_points.h"
#include "host/process_buffer.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/memory.h"
#include "tests/fuzz/fuzz_limits.h"

namespace {

using fuzz::g_context;
using fuzz::g_lines;
using fuzz::kHeapBytes;
using fuzz::kVarEntries;

// The process set up once, then the blocks of every run.
struct Started {
    // Any box that quiet mode does not catch takes its default button.
    Started() { fuzz::StartProcess("jol-fuzz-script", fuzz::DisableUnsafeFunctions); }
};

struct Environment : Started, fuzz::Blocks {
    Environment() { g_context = context; }

    // Drops every variable and checks that the heap is whole again.
    void Check() {
        if (plat::mem_lock_count(context) || plat::mem_lock_count(vars) ||
            plat::mem_lock_count(heap))
            std::abort(); // a block left locked
        auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(context));
        if (ctx->vars || ctx->heap.base) std::abort(); // a binding left behind
        ctx->vars = static_cast<jol::VarEntry*>(plat::mem_lock(vars));
        ctx->heap.base = static_cast<char*>(plat::mem_lock(heap));
        for (int i = ctx->vars_count - 1; i >= 0; --i)
            jol::DropVariable(ctx, i);
        const std::uint32_t total = jol::HeapFreeTotal(ctx->heap.base);
        ctx->vars = nullptr;
        ctx->heap.base = nullptr;
        plat::mem_unlock(heap);
        plat::mem_unlock(vars);
        plat::mem_unlock(context);
        if (total != empty_total) std::abort(); // a string outlived its run
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Environment env;
    plat::MemHandle block = plat::mem_alloc(size + 2);
    if (!block) return 0;
    if (size) std::memcpy(plat::mem_lock(block), data, size);
    if (size) plat::mem_unlock(block);
    g_lines = 0;
    ProcessDaBatBuffer(0, env.context, block, &fuzz::StopAfterMaxLines, nullptr);
    if (plat::mem_lock_count(block)) std::abort();
    plat::mem_free(block);
    env.Check();
    return 0;
}
