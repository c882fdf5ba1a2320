#include "host/fault_report.h"

#ifdef JOL_FAULT_INJECTION
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "lang/variable_entry.h"
#include "platform/environment.h"
#include "platform/fault_sweep.h"
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

// A child of the sweep stopped after this long is reported as hung.
constexpr unsigned kSweepRunSeconds = 120;

// Empties the folder the runs may write in, so each starts as the first.
void CleanScratch() {
    const char* scratch = std::getenv("JOL_FAULT_SWEEP_SCRATCH");
    if (!scratch || !*scratch) return;
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    std::filesystem::create_directories(scratch, ignored);
}

// Counts the run's allocations and fails the chosen ones, from here to the
// end of the process.
void CountFromNow(unsigned long fail_heap, unsigned long fail_block) {
    HeapFaults().count_from_now(fail_heap);
    plat::mem_faults().count_from_now(fail_block);
    if (Reporting()) std::atexit(ReportBlocksLeft);
}

// The counts an unfailed run reported on its standard error.
bool CountsOf(const std::string& stderr_file, unsigned long* heap, unsigned long* blocks) {
    std::ifstream in(stderr_file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string::size_type at = text.find("jol faults: heap allocations ");
    return at != std::string::npos &&
           std::sscanf(text.c_str() + at, "jol faults: heap allocations %lu, memory blocks %lu",
                       heap, blocks) == 2;
}

// The sweep's options, read once the sweep starts: JOL_FAULT_SWEEP_STRIDE
// (every stride-th allocation) and JOL_FAULT_SWEEP_KIND (heap, block or
// none; both when unset). A program the script starts is no part of the
// sweep, so the folder's name leaves the environment.
struct SweepOptions {
    unsigned long stride;
    std::string only;
    bool covers(const char* kind) const { return only.empty() || only == kind; }
};

SweepOptions TakeSweepOptions() {
    const char* kind = std::getenv("JOL_FAULT_SWEEP_KIND");
    SweepOptions o{std::max(1ul, NumberFromEnvironment("JOL_FAULT_SWEEP_STRIDE")),
                   kind ? kind : ""};
    plat::set_env("JOL_FAULT_SWEEP", nullptr);
    return o;
}

// JOL_FAULT_SWEEP=FOLDER: the rest of the process runs in children, first
// unfailed (FOLDER/base), then once per allocation it made, failing that one
// (FOLDER/heap-N, FOLDER/block-N; every JOL_FAULT_SWEEP_STRIDE-th and the
// last; JOL_FAULT_SWEEP_KIND heap or block for one kind only, none for the
// unfailed run alone), one after the other. Returns in each child with its
// counters set; the parent ends the process when the last child has ended.
void Sweep(const std::string& folder) {
    const SweepOptions options = TakeSweepOptions();
    const unsigned long stride = options.stride;
    CleanScratch();
    if (plat::run_in_child(folder + "/base", kSweepRunSeconds)) return CountFromNow(0, 0);
    unsigned long counts[2];
    if (!CountsOf(folder + "/base.stderr", &counts[0], &counts[1])) plat::end_process_now(0);
    const char* const kinds[2] = {"heap", "block"};
    for (int k = 0; k < 2; ++k) {
        if (!options.covers(kinds[k])) continue;
        // In the child, true with the counters set to fail the n-th allocation.
        auto fails = [&](unsigned long n) {
            CleanScratch();
            if (!plat::run_in_child(folder + "/" + kinds[k] + "-" + std::to_string(n),
                                    kSweepRunSeconds))
                return false;
            if (k == 0)
                CountFromNow(n, 0);
            else
                CountFromNow(0, n);
            return true;
        };
        for (unsigned long n = 1; n <= counts[k]; n += stride)
            if (fails(n)) return;
        if (counts[k] > 1 && (counts[k] - 1) % stride != 0 && fails(counts[k])) return;
    }
    plat::end_process_now(0);
}

// The branching sweep (JOL_FAULT_SWEEP_MODE=branch): the run itself is the
// unfailed one, its outputs in FOLDER/base; at each allocation (every
// stride-th) it splits, and the child fails that allocation and goes on to
// the end with the outputs so far, in FOLDER/heap-N or FOLDER/block-N,
// while the parent waits for it and goes on unfailed. Each allocation is
// reached once instead of once per later point, but a child shares what
// the run keeps outside the process (files, open file positions, the
// registry store) with the parent, so the runner checks that the parent
// still printed what an unfailed run prints.
struct Branching {
    std::string folder;
    unsigned long stride = 1;
    // The most allocations to branch at (JOL_FAULT_SWEEP_LIMIT, 0: no
    // limit). A run whose allocations depend on the time it takes (a loop
    // waiting for two readings of the clock in the same second) would
    // never end while each branch holds it up; past the limit it stops
    // branching and ends unfailed, and the runner, seeing another count
    // than the unfailed run's, restarts instead.
    unsigned long limit = 0;
};

Branching& BranchState() {
    static Branching state;
    return state;
}

void StopBranching() {
    HeapFaults().stop_branching();
    plat::mem_faults().stop_branching();
}

bool BranchAt(const char* kind, unsigned long n) {
    const Branching& b = BranchState();
    if (b.limit && n > b.limit) {
        StopBranching();
        return false;
    }
    if ((n - 1) % b.stride != 0) return false;
    const std::string prefix = b.folder + "/" + kind + "-" + std::to_string(n);
    std::fflush(nullptr);
    std::error_code ignored;
    for (const char* part : {".stdout", ".stderr"})
        std::filesystem::copy_file(b.folder + "/base" + part, prefix + part,
                                   std::filesystem::copy_options::overwrite_existing, ignored);
    if (!plat::run_in_child(prefix, kSweepRunSeconds)) return false;
    // The child: this allocation fails, and nothing splits again.
    StopBranching();
    return true;
}

bool HeapBranch(unsigned long n) {
    return BranchAt("heap", n);
}

bool BlockBranch(unsigned long n) {
    return BranchAt("block", n);
}

void BranchingSweep(const std::string& folder) {
    BranchState().folder = folder;
    const SweepOptions options = TakeSweepOptions();
    BranchState().stride = options.stride;
    BranchState().limit = NumberFromEnvironment("JOL_FAULT_SWEEP_LIMIT");
    if (!plat::send_outputs_to(folder + "/base")) {
        std::fprintf(stderr, "jol faults: cannot write in %s\n", folder.c_str());
        plat::end_process_now(2);
    }
    HeapFaults().count_from_now(0, options.covers("heap") ? HeapBranch : nullptr);
    plat::mem_faults().count_from_now(0, options.covers("block") ? BlockBranch : nullptr);
    if (Reporting()) std::atexit(ReportBlocksLeft);
}

} // namespace

void StartFaultCounting() {
    static bool started = false;
    if (started) return;
    started = true;
    if (const char* folder = std::getenv("JOL_FAULT_SWEEP"); folder && *folder) {
        const char* mode = std::getenv("JOL_FAULT_SWEEP_MODE");
        if (mode && !std::strcmp(mode, "branch")) return BranchingSweep(std::string(folder));
        return Sweep(std::string(folder));
    }
    CountFromNow(NumberFromEnvironment("JOL_FAIL_HEAP_ALLOC"),
                 NumberFromEnvironment("JOL_FAIL_BLOCK_ALLOC"));
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
