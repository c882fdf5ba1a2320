// Movable memory blocks and reading the process's own memory.
#pragma once

#include <cstddef>
#include <cstdint>
#ifdef JOL_FAULT_INJECTION
#include <atomic>
#endif

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
// A movable block locked for one scope (or until unlock); get() is null
// when the handle is 0 or the block cannot be locked.
class LockedBlock {
public:
    explicit LockedBlock(MemHandle h) : handle_(h), p_(h ? mem_lock(h) : nullptr) {}
    ~LockedBlock() { unlock(); }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    void unlock() {
        if (p_) mem_unlock(handle_);
        p_ = nullptr;
    }
    void* get() const { return p_; }

private:
    MemHandle handle_;
    void* p_;
};

// Copies bytes bytes found at an address of this process into out, only
// when every one of them lies in memory the process may read; false
// (nothing copied) otherwise. A bad address never faults.
bool read_process_memory(std::uintptr_t address, void* out, std::size_t bytes);

#ifdef JOL_FAULT_INJECTION
// Test builds only (the sanitizer and fuzz builds): the out-of-memory drill's
// counter. From count_from_now on, every allocation it is asked about is
// counted, and the fail_at-th one is due to fail as if no memory were left
// (0: none fails); with a branch function, that function is asked about
// every allocation counted, with its number, and the allocation fails when
// it answers true. The string heap keeps one counter for its blocks, the
// movable blocks below another.
class FaultCounter {
public:
    using Branch = bool (*)(unsigned long n);
    void count_from_now(unsigned long fail_at, Branch branch = nullptr) {
        taken_ = 0;
        fail_at_ = fail_at;
        branch_ = branch;
        counting_ = true;
    }
    void stop_branching() { branch_ = nullptr; }
    unsigned long taken() const { return taken_; } // allocations counted so far
    // Counts one allocation about to be made; true when it is the one to fail.
    bool due() {
        if (!counting_) return false;
        const unsigned long n = ++taken_;
        if (n == fail_at_.load()) return true;
        const Branch branch = branch_.load();
        return branch && branch(n);
    }

private:
    std::atomic<unsigned long> taken_{0};
    std::atomic<unsigned long> fail_at_{0};
    std::atomic<Branch> branch_{nullptr};
    std::atomic<bool> counting_{false};
};

// The counter of the blocks taken by mem_alloc.
FaultCounter& mem_faults();
// The blocks allocated and not yet freed.
std::size_t mem_live_count();
#endif

} // namespace plat
