#include "host/fault_report.h"

#ifdef JOL_FAULT_INJECTION
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "lang/variable_entry.h"
#include "platform/memory.h"

namespace jol {
namespace {

unsigned long NumberFromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    return text ? std::strtoul(text, nullptr, 10) : 0;
}

bool Reporting() {
    return std::getenv("JOL_FAULT_REPORT") != nullptr;
}

void ReportBlocksLeft() {
    const std::size_t left = plat::mem_live_count();
    if (left) std::fprintf(stderr, "jol faults: %zu memory blocks left\n", left);
}

} // namespace

void StartFaultCounting() {
    static bool started = false;
    if (started) return;
    started = true;
    HeapFaults().count_from_now(NumberFromEnvironment("JOL_FAIL_HEAP_ALLOC"));
    plat::mem_faults().count_from_now(NumberFromEnvironment("JOL_FAIL_BLOCK_ALLOC"));
    if (Reporting()) std::atexit(ReportBlocksLeft);
}

void ReportFaults(ScriptContext* ctx) {
    if (!Reporting()) return;
    std::fprintf(stderr, "jol faults: heap allocations %lu, memory blocks %lu\n",
                 HeapFaults().taken(), plat::mem_faults().taken());
    const char* heap = static_cast<const char*>(plat::mem_lock(ctx->heap.handle));
    const auto* vars = static_cast<const VarEntry*>(plat::mem_lock(ctx->vars_handle));
    if (heap && vars) {
        std::vector<std::uint16_t> owners;
        for (std::size_t i = 0; i < ctx->vars_capacity; ++i)
            if (vars[i].flags) owners.push_back(vars[i].str);
        const char* why = CheckHeapOwners(heap, owners.data(), owners.size());
        if (*why) std::fprintf(stderr, "jol faults: heap check: %s\n", why);
    }
    if (vars) plat::mem_unlock(ctx->vars_handle);
    if (heap) plat::mem_unlock(ctx->heap.handle);
}

} // namespace jol
#endif
