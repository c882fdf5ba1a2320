// Reading memory of the own process at an address a script names: every
// region the range touches must be committed and readable, so a bad
// address is refused instead of faulting.
#include <windows.h>

#include <cstring>

#include "platform/memory.h"

namespace plat {
namespace {

bool readable_protection(DWORD protect) {
    if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
    const DWORD base = protect & 0xFF;
    return base == PAGE_READONLY || base == PAGE_READWRITE || base == PAGE_WRITECOPY ||
           base == PAGE_EXECUTE_READ || base == PAGE_EXECUTE_READWRITE ||
           base == PAGE_EXECUTE_WRITECOPY;
}

} // namespace

bool read_process_memory(std::uintptr_t address, void* out, std::size_t bytes) {
    if (!out || bytes == 0 || address == 0) return false;
    const std::uintptr_t end = address + bytes;
    if (end < address) return false; // the range wraps around
    std::uintptr_t covered = address;
    while (covered < end) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(reinterpret_cast<const void*>(covered), &info, sizeof info) == 0)
            return false;
        if (info.State != MEM_COMMIT || !readable_protection(info.Protect)) return false;
        const std::uintptr_t region_end =
            reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (region_end <= covered) return false;
        covered = region_end;
    }
    std::memcpy(out, reinterpret_cast<const void*>(address), bytes);
    return true;
}

} // namespace plat
