// Movable memory blocks and reading the process's own memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

using MemHandle = std::uintptr_t; // movable memory block, 0 = none

// Movable memory blocks. A block is allocated zero-filled and must be
// locked to reach its bytes; each lock raises a lock count that unlock
// lowers. A handle that was freed or never existed fails every operation.
MemHandle mem_alloc(std::size_t bytes);
void* mem_lock(MemHandle h);
bool mem_unlock(MemHandle h);      // true when the block was valid and locked
std::size_t mem_size(MemHandle h); // 0 for a handle that is not valid
unsigned mem_lock_count(MemHandle h);
bool mem_free(MemHandle h); // true when the block was freed
// Copies bytes bytes found at an address of this process into out, only
// when every one of them lies in memory the process may read; false
// (nothing copied) otherwise. A bad address never faults.
bool read_process_memory(std::uintptr_t address, void* out, std::size_t bytes);

#ifdef JOL_FAULT_INJECTION
// Test builds only (the sanitizer and fuzz builds): from this call on,
// every block taken by mem_alloc is counted, and the fail_at-th one fails
// as if the system had no memory left (0: none fails).
void mem_count_from_now(unsigned long fail_at);
unsigned long mem_taken(); // blocks counted so far
// Counts one block about to be taken; true when it is the one to fail.
bool mem_fault_due();
// The blocks allocated and not yet freed.
std::size_t mem_live_count();
#endif

} // namespace plat
