#include "lang/string_heap.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/context/assert.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/fast/change_epoch.h"
#include "platform/boxes.h"

namespace jol {
namespace {

// Words of the heap's bookkeeping (32-bit little-endian, at any offset);
// on a little-endian machine a word is its own bytes.
std::uint32_t Rd(const char* heap, std::uint32_t off) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t v;
        std::memcpy(&v, heap + off, sizeof v);
        return v;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(heap + off);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Wr(char* heap, std::uint32_t off, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(heap + off, &v, sizeof v);
        return;
    }
    auto* p = reinterpret_cast<unsigned char*>(heap + off);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// Offsets of the header words.
constexpr std::uint32_t kHeadTag = 0;
constexpr std::uint32_t kHeadSize = 4;
constexpr std::uint32_t kHeadFirst = 8;
constexpr std::uint32_t kHeadLast = 12;
constexpr std::uint32_t kRover = 28;
constexpr std::uint32_t kFormattedSize = 32; // reserved word: the formatted size
constexpr std::uint32_t kLowerSentinel = 36;
constexpr std::uint32_t kUpperSentinelBack = 12;

// Fields of a block relative to its start.
constexpr std::uint32_t kTag = 0;
constexpr std::uint32_t kSize = 4;
constexpr std::uint32_t kNext = 8;
constexpr std::uint32_t kPrev = 12;

// The formatted size kept in the header, 0 when the header is not sane.
std::uint32_t HeapSize(const char* heap) {
    std::uint32_t size = Rd(heap, kFormattedSize);
    if (size < kHeapMinSize || size > kHeapMaxSize || size % 4 != 0) return 0;
    return size;
}

// End of the block area: the upper sentinel's offset.
std::uint32_t AreaEnd(std::uint32_t size) {
    return size - kUpperSentinelBack;
}

// A free block at off whose own bookkeeping is intact.
[[gnu::always_inline]] inline bool IsFreeBlock(const char* heap, std::uint32_t size,
                                               std::uint32_t off) {
    if (off < kHeapFirstBlock || off % 4 != 0 || off > AreaEnd(size) - kHeapMinBlock) return false;
    if (Rd(heap, off + kTag) != kFreeBlockTag) return false;
    std::uint32_t s = Rd(heap, off + kSize);
    if (s < kHeapMinBlock || s % 4 != 0 || s > AreaEnd(size) - off) return false;
    return Rd(heap, off + s - 4) == kFreeBlockTag && Rd(heap, off + s - 8) == s;
}

// A used block at off whose opening tag, size and closing tag are intact.
bool IsUsedBlock(const char* heap, std::uint32_t size, std::uint32_t off) {
    if (off < kHeapFirstBlock || off % 4 != 0 || off > AreaEnd(size) - kHeapMinBlock) return false;
    if (Rd(heap, off + kTag) != kUsedBlockTag) return false;
    std::uint32_t s = Rd(heap, off + kSize);
    if (s < kHeapMinBlock || s % 4 != 0 || s > AreaEnd(size) - off) return false;
    return Rd(heap, off + s - 4) == kUsedBlockTag;
}

// Takes a free block out of the list; the rover falls back to the head
// when it pointed at it. The head (offset 0) has the same next/previous
// layout as a free block, so no case is special.
void Unlink(char* heap, std::uint32_t off) {
    std::uint32_t next = Rd(heap, off + kNext);
    std::uint32_t prev = Rd(heap, off + kPrev);
    Wr(heap, prev + kNext, next);
    Wr(heap, next + kPrev, prev);
    if (Rd(heap, kRover) == off) Wr(heap, kRover, 0);
}

void WriteFreeBlock(char* heap, std::uint32_t off, std::uint32_t s) {
    Wr(heap, off + kTag, kFreeBlockTag);
    Wr(heap, off + kSize, s);
    Wr(heap, off + s - 8, s);
    Wr(heap, off + s - 4, kFreeBlockTag);
}

void WriteUsedBlock(char* heap, std::uint32_t off, std::uint32_t s) {
    Wr(heap, off + kTag, kUsedBlockTag);
    Wr(heap, off + kSize, s);
    Wr(heap, off + s - 4, kUsedBlockTag);
}

// Inserts a free block at the front of the list.
void InsertFront(char* heap, std::uint32_t off) {
    std::uint32_t first = Rd(heap, kHeadFirst);
    Wr(heap, off + kNext, first);
    Wr(heap, off + kPrev, 0);
    Wr(heap, first + kPrev, off);
    Wr(heap, kHeadFirst, off);
}

} // namespace

void ShowHeapCorruption(ScriptContext* /*ctx*/, int message) {
    // Caption: message 845; text: message 846 or 847.
    const char* text = message == kMsgTagOverwrite2 ? "Tag Overwrite 2" : "Tag Overwrite 1";
    plat::message_box(0, text, "INTERNAL DYNALLOC ERROR", plat::mb::Ok);
    NoteChange(); // the box's message loop may run the host's code
}

std::uint32_t FormatStringHeap(char* base, std::size_t block_size, std::uint32_t requested) {
    if (!base) return 0;
    std::uint64_t size = requested;
    if (size > block_size) size = block_size;
    if (size > kHeapMaxSize) size = kHeapMaxSize;
    size &= ~static_cast<std::uint64_t>(3);
    if (size < kHeapMinSize) return 0;
    auto s = static_cast<std::uint32_t>(size);

    Wr(base, kHeadTag, kUsedBlockTag);
    Wr(base, kHeadSize, 0);
    Wr(base, kHeadFirst, kHeapFirstBlock);
    Wr(base, kHeadLast, kHeapFirstBlock);
    Wr(base, 16, kUsedBlockTag);
    Wr(base, 20, kUsedBlockTag);
    Wr(base, 24, 0);
    Wr(base, kRover, kHeapFirstBlock);
    Wr(base, kFormattedSize, s);
    Wr(base, kLowerSentinel, kUsedBlockTag);
    WriteFreeBlock(base, kHeapFirstBlock, s - kHeapFirstBlock - 12);
    Wr(base, kHeapFirstBlock + kNext, 0);
    Wr(base, kHeapFirstBlock + kPrev, 0);
    Wr(base, AreaEnd(s), kUsedBlockTag);
    return s;
}

#ifdef JOL_FAULT_INJECTION
plat::FaultCounter& HeapFaults() {
    static plat::FaultCounter counter;
    return counter;
}
#endif

std::uint16_t VMalloc(char* heap, std::uint32_t bytes) {
    if (!heap) return 0;
#ifdef JOL_FAULT_INJECTION
    if (HeapFaults().due()) return 0;
#endif
    std::uint32_t size = HeapSize(heap);
    if (size == 0 || bytes > size) return 0; // also keeps the size sum from wrapping
    std::uint32_t need = (bytes + 15) & ~3u;
    if (need < kHeapMinBlock) need = kHeapMinBlock;

    // Next fit from the rover. A damaged list ends the walk instead of
    // leading it out of the heap; the step limit stops a list that loops.
    std::uint32_t limit = 2 * (size / kHeapMinBlock) + 4;
    std::uint32_t cur = Rd(heap, kRover);
    if (cur != 0 && !IsFreeBlock(heap, size, cur)) cur = 0;
    int head_seen = 0;
    for (std::uint32_t steps = 0;; ++steps) {
        if (steps > limit) return 0;
        cur = Rd(heap, cur + kNext);
        if (cur == 0) {
            if (++head_seen == 2) return 0;
            continue;
        }
        if (!IsFreeBlock(heap, size, cur)) return 0;
        std::uint32_t s = Rd(heap, cur + kSize);
        if (s < need) {
            Wr(heap, kRover, cur);
            continue;
        }
        std::uint32_t used;
        if (s - need >= kHeapMinBlock) {
            std::uint32_t rest = s - need;
            Wr(heap, cur + kSize, rest);
            Wr(heap, cur + rest - 8, rest);
            Wr(heap, cur + rest - 4, kFreeBlockTag);
            used = cur + rest;
            WriteUsedBlock(heap, used, need);
            JOL_ASSERT(IsFreeBlock(heap, size, cur));
        } else {
            Unlink(heap, cur);
            used = cur;
            WriteUsedBlock(heap, used, s);
        }
        JOL_ASSERT(IsUsedBlock(heap, size, used));
        return static_cast<std::uint16_t>(used + 8);
    }
}

void VFree(ScriptContext* ctx, char* heap, std::uint16_t handle) {
    if (!heap || handle == 0) return;
    std::uint32_t size = HeapSize(heap);
    if (size == 0) {
        ShowHeapCorruption(ctx, kMsgTagOverwrite1);
        return;
    }
    // The block itself: a handle that is not the data of an intact used
    // block (outside the heap, misaligned, freed already) is refused.
    std::uint32_t block = static_cast<std::uint32_t>(handle) - 8;
    if (handle < kHeapFirstBlock + 8 || !IsUsedBlock(heap, size, block)) {
        bool opening_ok = handle >= kHeapFirstBlock + 8 && block % 4 == 0 &&
                          block <= AreaEnd(size) - kHeapMinBlock &&
                          Rd(heap, block) == kUsedBlockTag;
        ShowHeapCorruption(ctx, opening_ok ? kMsgTagOverwrite2 : kMsgTagOverwrite1);
        return;
    }
    std::uint32_t bsize = Rd(heap, block + kSize);

    // Both neighbours are checked before anything changes, so a damaged
    // heap is left exactly as it was.
    std::uint32_t lower = 0;
    std::uint32_t lower_tag = Rd(heap, block - 4);
    if (lower_tag == kFreeBlockTag) {
        std::uint32_t ls = Rd(heap, block - 8);
        if (ls > block - kHeapFirstBlock || !IsFreeBlock(heap, size, block - ls) ||
            Rd(heap, block - ls + kSize) != ls) {
            ShowHeapCorruption(ctx, kMsgTagOverwrite1);
            return;
        }
        lower = block - ls;
    } else if (lower_tag != kUsedBlockTag) {
        ShowHeapCorruption(ctx, kMsgTagOverwrite1);
        return;
    }
    std::uint32_t upper = block + bsize;
    bool upper_free = false;
    std::uint32_t upper_tag = Rd(heap, upper);
    if (upper_tag == kFreeBlockTag) {
        if (!IsFreeBlock(heap, size, upper)) {
            ShowHeapCorruption(ctx, kMsgTagOverwrite2);
            return;
        }
        upper_free = true;
    } else if (upper_tag != kUsedBlockTag) {
        ShowHeapCorruption(ctx, kMsgTagOverwrite2);
        return;
    }

    // Merge. The tags inside the merged block are wiped, so that a stale
    // handle can never again look like an intact block.
    std::uint32_t start = block;
    std::uint32_t total = bsize;
    if (lower) {
        Unlink(heap, lower);
        total += Rd(heap, lower + kSize);
        Wr(heap, block - 8, 0);
        Wr(heap, block - 4, 0);
        Wr(heap, block + kTag, 0);
        start = lower;
    }
    if (upper_free) {
        Unlink(heap, upper);
        total += Rd(heap, upper + kSize);
        Wr(heap, upper - 4, 0);
        Wr(heap, upper + kTag, 0);
        Wr(heap, upper + kSize, 0);
    }
    WriteFreeBlock(heap, start, total);
    InsertFront(heap, start);
    JOL_ASSERT(IsFreeBlock(heap, size, start));
}

bool HeapReturnsTwoCopies(const char* heap, std::size_t a, std::size_t b) {
    if (!heap || a >= kHeapMaxSize || b >= kHeapMaxSize) return false;
    const std::uint32_t size = HeapSize(heap);
    if (size == 0 || Rd(heap, kRover) != 0) return false;
    // The search starts at the rover's successor: with the rover at the
    // head, that is the first free block.
    const std::uint32_t first = Rd(heap, kHeadFirst);
    if (first == 0 || !IsFreeBlock(heap, size, first)) return false;
    auto need = [](std::size_t n) {
        const std::uint32_t bytes = (static_cast<std::uint32_t>(n) + 1 + 15) & ~3u;
        return bytes < kHeapMinBlock ? kHeapMinBlock : bytes;
    };
    const std::uint32_t s = Rd(heap, first + kSize);
    // The first copy splits off its top and the second takes the top of
    // the rest or all of it; the block above must be in use, so that the
    // frees merge them back into the block it was, first in the list again.
    return s >= need(a) + need(b) && Rd(heap, first + s) == kUsedBlockTag;
}

char* HeapText(ScriptContext* ctx, std::uint16_t handle) {
    static char empty[1] = {0};
    if (!ctx || !ctx->heap.base || handle == 0) {
        empty[0] = 0;
        return empty;
    }
    return ctx->heap.base + handle;
}

std::uint16_t HeapCopyText(ScriptContext* ctx, const char* text) {
    if (!text) text = "";
    std::size_t n = std::strlen(text);
    std::uint16_t h = 0;
    if (ctx->heap.base && n < kHeapMaxSize)
        h = VMalloc(ctx->heap.base, static_cast<std::uint32_t>(n + 1));
    if (h == 0) return Raise(ctx, Err::StringMemory);
    std::memcpy(ctx->heap.base + h, text, n + 1);
    return h;
}

void HeapFree(ScriptContext* ctx, std::uint16_t handle) {
    if (ctx && handle) VFree(ctx, ctx->heap.base, handle);
}

std::uint32_t HeapFreeTotal(const char* heap) {
    if (!heap) return 0;
    std::uint32_t size = HeapSize(heap);
    if (size == 0) return 0;
    std::uint32_t total = 0;
    std::uint32_t limit = size / kHeapMinBlock + 2;
    std::uint32_t cur = Rd(heap, kHeadFirst);
    for (std::uint32_t steps = 0; cur != 0 && steps < limit; ++steps) {
        if (!IsFreeBlock(heap, size, cur)) break;
        total += Rd(heap, cur + kSize);
        cur = Rd(heap, cur + kNext);
    }
    return total;
}

#ifdef JOL_FAULT_INJECTION
const char* CheckHeapOwners(const char* heap, const std::uint16_t* owners, std::size_t count) {
    static char why[160];
    const std::uint32_t size = HeapSize(heap);
    if (!heap || size == 0) return "";
    std::vector<std::uint16_t> named;
    for (std::size_t i = 0; i < count; ++i)
        if (owners[i]) named.push_back(owners[i]);
    std::sort(named.begin(), named.end());
    for (std::size_t i = 1; i < named.size(); ++i)
        if (named[i] == named[i - 1]) {
            std::snprintf(why, sizeof why, "block %u is named twice", named[i]);
            return why;
        }
    std::vector<std::uint16_t> used;
    std::uint32_t free_sum = 0;
    for (std::uint32_t off = kHeapFirstBlock; off < AreaEnd(size);) {
        const std::uint32_t s = Rd(heap, off + kSize);
        if (s < kHeapMinBlock || s % 4 || s > AreaEnd(size) - off) {
            std::snprintf(why, sizeof why, "the block at %u has the size %u", off, s);
            return why;
        }
        if (IsUsedBlock(heap, size, off)) {
            used.push_back(static_cast<std::uint16_t>(off + 8));
        } else if (IsFreeBlock(heap, size, off)) {
            free_sum += s;
        } else {
            std::snprintf(why, sizeof why, "the block at %u has damaged tags", off);
            return why;
        }
        off += s;
    }
    if (free_sum != HeapFreeTotal(heap)) {
        std::snprintf(why, sizeof why, "free blocks of %u bytes, %u of them on the free list",
                      free_sum, HeapFreeTotal(heap));
        return why;
    }
    for (std::uint16_t h : named)
        if (!std::binary_search(used.begin(), used.end(), h)) {
            std::snprintf(why, sizeof why, "a variable holds %u, which is no block in use", h);
            return why;
        }
    for (std::uint16_t h : used)
        if (!std::binary_search(named.begin(), named.end(), h)) {
            std::snprintf(why, sizeof why, "block %u (\"%.40s\") is in use and owned by nobody", h,
                          heap + h);
            return why;
        }
    return "";
}
#endif

std::uint32_t HeapBlockCapacity(const char* heap, std::uint16_t handle) {
    if (!heap || handle < kHeapFirstBlock + 8) return 0;
    return Rd(heap, handle - 8u + kSize) - 12;
}

} // namespace jol
