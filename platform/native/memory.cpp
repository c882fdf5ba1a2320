// Movable memory blocks of the native backend: a handle table owned by this
// shared library, so the library and its host see the same blocks. A handle
// carries a generation count, so a freed handle never reaches a later block
// that reuses its slot.
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/platform.h"

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

struct Table {
    std::mutex lock;
    std::vector<Block> blocks;
    std::vector<std::size_t> free_slots;
};

Table& table() {
    static Table t;
    return t;
}

MemHandle make_handle(std::size_t index, std::uint32_t generation) {
    return (static_cast<std::uintptr_t>(generation) << kIndexBits) | (index + 1);
}

Block* find(Table& t, MemHandle h) {
    if (h == 0) return nullptr;
    std::size_t index = (h & kIndexMask);
    if (index == 0 || index > t.blocks.size()) return nullptr;
    Block& b = t.blocks[index - 1];
    if (!b.live || make_handle(index - 1, b.generation) != h) return nullptr;
    return &b;
}

} // namespace

MemHandle mem_alloc(std::size_t bytes) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    std::size_t index;
    if (!t.free_slots.empty()) {
        index = t.free_slots.back();
        t.free_slots.pop_back();
    } else {
        if (t.blocks.size() >= kIndexMask - 1) {
            set_last_error(8); // not enough memory
            return 0;
        }
        index = t.blocks.size();
        t.blocks.emplace_back();
    }
    Block& b = t.blocks[index];
    // A block of size 0 still gets storage, so that locking it yields a
    // usable pointer.
    b.data.reset(new (std::nothrow) unsigned char[bytes ? bytes : 1]());
    if (!b.data) {
        t.free_slots.push_back(index);
        set_last_error(8);
        return 0;
    }
    b.size = bytes;
    b.locks = 0;
    b.live = true;
    return make_handle(index, b.generation);
}

void* mem_lock(MemHandle h) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
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
    std::lock_guard<std::mutex> hold(t.lock);
    Block* b = find(t, h);
    if (!b || b->locks == 0) return false;
    --b->locks;
    return true;
}

std::size_t mem_size(MemHandle h) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Block* b = find(t, h);
    return b ? b->size : 0;
}

unsigned mem_lock_count(MemHandle h) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Block* b = find(t, h);
    return b ? b->locks : 0;
}

bool mem_free(MemHandle h) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Block* b = find(t, h);
    if (!b) {
        set_last_error(err::InvalidHandle);
        return false;
    }
    b->data.reset();
    b->size = 0;
    b->locks = 0;
    b->live = false;
    b->generation = (b->generation + 1) & kGenerationMask;
    if (b->generation == 0) b->generation = 1;
    t.free_slots.push_back(static_cast<std::size_t>(b - t.blocks.data()));
    return true;
}

} // namespace plat
