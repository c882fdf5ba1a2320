// Movable memory blocks of the native backend: a handle table owned by this
// shared library, so the library and its host see the same blocks. A handle
// carries a generation count, so a freed handle never reaches a later block
// that reuses its slot.
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/memory.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

struct Block {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
    unsigned locks = 0;
    std::uint32_t generation = 1;
    bool live = false;
};

constexpr unsigned kIndexBits = 20;
constexpr std::uintptr_t kIndexMask = (std::uintptr_t{1} << kIndexBits) - 1;
constexpr unsigned kGenerationBits = sizeof(std::uintptr_t) * 8 - kIndexBits > 20
                                         ? 20
                                         : sizeof(std::uintptr_t) * 8 - kIndexBits;
constexpr std::uint32_t kGenerationMask = (std::uint32_t{1} << kGenerationBits) - 1;

// The table's lock is held only for a few instructions (locking a block is
// a handful of loads and stores), so a spin lock serves: taking it costs a
// single atomic exchange when no other thread holds it, and scripts lock
// their block for every line they read.
class SpinLock {
public:
    void lock() {
        while (held_.exchange(true, std::memory_order_acquire))
            while (held_.load(std::memory_order_relaxed))
                std::this_thread::yield();
    }
    void unlock() { held_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> held_{false};
};

struct Table {
    SpinLock lock;
    std::vector<Block> blocks;
    std::vector<std::size_t> free_slots;
};

// Made before the library's code runs (constant initialization of the
// lock, empty vectors), so reaching it needs no guard.
constinit Table g_table;

Table& table() {
    return g_table;
}

MemHandle make_handle(std::size_t index, std::uint32_t generation) {
    return (static_cast<std::uintptr_t>(generation) << kIndexBits) | (index + 1);
}

Block* find(Table& t, MemHandle h) {
    // Handle 0 (index 0) wraps around and fails the bounds test.
    const std::size_t index = (h & kIndexMask) - 1;
    if (index >= t.blocks.size()) return nullptr;
    Block& b = t.blocks[index];
    if (!b.live || (h >> kIndexBits) != b.generation) return nullptr;
    return &b;
}

} // namespace

MemHandle mem_alloc(std::size_t bytes) {
#ifdef JOL_FAULT_INJECTION
    if (mem_faults().due()) {
        set_last_error(8);
        return 0;
    }
#endif
    // The storage is made before the table is locked (a block of size 0
    // still gets some, so that locking it yields a usable pointer).
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[bytes ? bytes : 1]());
    if (!data) {
        set_last_error(8); // not enough memory
        return 0;
    }
    Table& t = table();
    std::lock_guard<SpinLock> hold(t.lock);
    std::size_t index;
    if (!t.free_slots.empty()) {
        index = t.free_slots.back();
        t.free_slots.pop_back();
    } else {
        if (t.blocks.size() >= kIndexMask - 1) {
            set_last_error(8);
            return 0;
        }
        index = t.blocks.size();
        t.blocks.emplace_back();
    }
    Block& b = t.blocks[index];
    b.data = std::move(data);
    b.size = bytes;
    b.locks = 0;
    b.live = true;
    return make_handle(index, b.generation);
}

void* mem_lock(MemHandle h) {
    Table& t = table();
    std::lock_guard<SpinLock> hold(t.lock);
    Block* b = find(t, h);
    if (!b) {
        set_last_error(err::InvalidHandle);
        return nullptr;
    }
    ++b->locks;
    return b->data.get();
}

bool mem_unlock(MemHandle h) {
    Table& t = table();
    std::lock_guard<SpinLock> hold(t.lock);
    Block* b = find(t, h);
    if (!b || b->locks == 0) return false;
    --b->locks;
    return true;
}

std::size_t mem_size(MemHandle h) {
    Table& t = table();
    std::lock_guard<SpinLock> hold(t.lock);
    Block* b = find(t, h);
    return b ? b->size : 0;
}

unsigned mem_lock_count(MemHandle h) {
    Table& t = table();
    std::lock_guard<SpinLock> hold(t.lock);
    Block* b = find(t, h);
    return b ? b->locks : 0;
}

bool mem_free(MemHandle h) {
    std::unique_ptr<unsigned char[]> data; // released after the table is unlocked
    Table& t = table();
    std::lock_guard<SpinLock> hold(t.lock);
    Block* b = find(t, h);
    if (!b) {
        set_last_error(err::InvalidHandle);
        return false;
    }
    data = std::move(b->data);
    b->size = 0;
    b->locks = 0;
    b->live = false;
    b->generation = (b->generation + 1) & kGenerationMask;
    if (b->generation == 0) b->generation = 1;
    t.free_slots.push_back(static_cast<std::size_t>(b - t.blocks.data()));
    return true;
}

#ifdef JOL_FAULT_INJECTION
std::size_t mem_live_count() {
    Table& t = table();
    std::lock_guard<SpinLock> hold(t.lock);
    return t.blocks.size() - t.free_slots.size();
}
#endif

} // namespace plat
