// Test builds only: counts the blocks taken once counting has started and
// makes a chosen one fail, as a system out of memory would.
#include "platform/memory.h"

#ifdef JOL_FAULT_INJECTION
#include <atomic>

namespace plat {
namespace {
std::atomic<unsigned long> g_taken{0};
std::atomic<unsigned long> g_fail_at{0};
std::atomic<bool> g_counting{false};
} // namespace

void mem_count_from_now(unsigned long fail_at) {
    g_taken = 0;
    g_fail_at = fail_at;
    g_counting = true;
}

unsigned long mem_taken() {
    return g_taken;
}

bool mem_fault_due() {
    if (!g_counting) return false;
    const unsigned long n = ++g_taken;
    return n == g_fail_at.load();
}

} // namespace plat
#endif
