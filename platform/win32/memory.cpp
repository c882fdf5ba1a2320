// Movable memory blocks: the system's global memory.
#include <windows.h>

#include <atomic>

#include "platform/memory.h"

namespace plat {

#ifdef JOL_FAULT_INJECTION
namespace {
std::atomic<std::size_t> g_live{0};
}

std::size_t mem_live_count() {
    return g_live;
}
#endif

MemHandle mem_alloc(std::size_t bytes) {
#ifdef JOL_FAULT_INJECTION
    if (mem_faults().due()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (g) ++g_live;
    return reinterpret_cast<MemHandle>(g);
#else
    return reinterpret_cast<MemHandle>(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
#endif
}

void* mem_lock(MemHandle h) {
    if (!h) return nullptr;
    return GlobalLock(reinterpret_cast<HGLOBAL>(h));
}

bool mem_unlock(MemHandle h) {
    if (!h) return false;
    HGLOBAL g = reinterpret_cast<HGLOBAL>(h);
    UINT flags = GlobalFlags(g);
    if (flags == GMEM_INVALID_HANDLE || (flags & GMEM_LOCKCOUNT) == 0) return false;
    GlobalUnlock(g);
    return true;
}

std::size_t mem_size(MemHandle h) {
    if (!h) return 0;
    return GlobalSize(reinterpret_cast<HGLOBAL>(h));
}

unsigned mem_lock_count(MemHandle h) {
    if (!h) return 0;
    UINT flags = GlobalFlags(reinterpret_cast<HGLOBAL>(h));
    return flags == GMEM_INVALID_HANDLE ? 0 : (flags & GMEM_LOCKCOUNT);
}

bool mem_free(MemHandle h) {
    if (!h) return false;
#ifdef JOL_FAULT_INJECTION
    const bool freed = GlobalFree(reinterpret_cast<HGLOBAL>(h)) == nullptr;
    if (freed) --g_live;
    return freed;
#else
    return GlobalFree(reinterpret_cast<HGLOBAL>(h)) == nullptr;
#endif
}

} // namespace plat
