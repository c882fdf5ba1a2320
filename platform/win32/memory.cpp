// Movable memory blocks: the system's global memory.
#include <windows.h>

#include "platform/memory.h"

namespace plat {

MemHandle mem_alloc(std::size_t bytes) {
    return reinterpret_cast<MemHandle>(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
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
    return GlobalFree(reinterpret_cast<HGLOBAL>(h)) == nullptr;
}

} // namespace plat
