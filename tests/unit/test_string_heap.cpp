#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "platform/answer_queue.h"
#include "tests/unit/test_errors.h"

namespace jol {
namespace {

std::uint32_t Word(const char* heap, std::uint32_t off) {
    std::uint32_t v;
    std::memcpy(&v, heap + off, 4);
    return v;
}

void PutWord(char* heap, std::uint32_t off, std::uint32_t v) {
    std::memcpy(heap + off, &v, 4);
}

// Size of the block whose data starts at the handle.
std::uint32_t BlockSize(const char* heap, std::uint16_t h) {
    return Word(heap, h - 4u);
}

struct Heap {
    explicit Heap(std::uint32_t size) : bytes(size + 64, '\xAA') {
        ctx = std::make_unique<ScriptContext>();
        formatted = FormatStringHeap(bytes.data(), size, size);
        ctx->heap.base = bytes.data();
        ctx->heap.size = formatted;
    }
    char* base() { return bytes.data(); }
    std::vector<char> bytes;
    std::unique_ptr<ScriptContext> ctx;
    std::uint32_t formatted = 0;
};

// The heap's boxes (OK only) are answered from the scripted queue or, on
// the native layer, written to standard error and answered OK when nobody
// can answer; a real system box would wait for a person.
bool BoxesAnswered() {
#if defined(_WIN32)
    return plat::detail::answer_queue_active();
#else
    return true;
#endif
}

TEST(StringHeap, FormatLaysOutHeaderSentinelsAndOneFreeBlock) {
    Heap h(1000);
    const char* b = h.base();
    ASSERT_EQ(h.formatted, 1000u);
    EXPECT_EQ(std::memcmp(b + 0, "5678", 4), 0);
    EXPECT_EQ(Word(b, 4), 0u);
    EXPECT_EQ(Word(b, 8), 40u);
    EXPECT_EQ(Word(b, 12), 40u);
    EXPECT_EQ(std::memcmp(b + 16, "56785678", 8), 0);
    EXPECT_EQ(Word(b, 24), 0u);
    EXPECT_EQ(Word(b, 28), 40u); // rover
    EXPECT_EQ(std::memcmp(b + 36, "5678", 4), 0);
    EXPECT_EQ(std::memcmp(b + 40, "QRST", 4), 0);
    EXPECT_EQ(Word(b, 44), 1000u - 52);
    EXPECT_EQ(Word(b, 48), 0u);
    EXPECT_EQ(Word(b, 52), 0u);
    EXPECT_EQ(Word(b, 1000 - 12 - 8), 1000u - 52); // size copy
    EXPECT_EQ(std::memcmp(b + 1000 - 12 - 4, "QRST", 4), 0);
    EXPECT_EQ(std::memcmp(b + 1000 - 12, "5678", 4), 0);
    EXPECT_EQ(HeapFreeTotal(b), 1000u - 52);
}

TEST(StringHeap, FormatClampsToBlockLimitAndUnitAndRefusesTinyHeaps) {
    std::vector<char> block(70000);
    EXPECT_EQ(FormatStringHeap(block.data(), 500, 4000), 500u);      // the block's real size
    EXPECT_EQ(FormatStringHeap(block.data(), 70000, 70000), 65532u); // 16-bit handles
    EXPECT_EQ(HeapFreeTotal(block.data()), 65532u - 52);
    EXPECT_EQ(FormatStringHeap(block.data(), 1003, 1003), 1000u); // 4-byte unit
    EXPECT_EQ(FormatStringHeap(block.data(), 1000, 999), 996u);
    EXPECT_EQ(FormatStringHeap(block.data(), 1000, kHeapMinSize), kHeapMinSize);
    EXPECT_EQ(FormatStringHeap(block.data(), 1000, kHeapMinSize - 1), 0u);
    EXPECT_EQ(FormatStringHeap(block.data(), kHeapMinSize - 4, 4000), 0u);
    EXPECT_EQ(FormatStringHeap(block.data(), 1000, 0), 0u);
    EXPECT_EQ(FormatStringHeap(nullptr, 1000, 1000), 0u);

    // The largest heap hands out handles up to its top.
    ASSERT_EQ(FormatStringHeap(block.data(), 70000, 65535), 65532u);
    std::uint16_t big = VMalloc(block.data(), 65532 - 52 - 12);
    EXPECT_EQ(big, 48u);
    EXPECT_EQ(HeapFreeTotal(block.data()), 0u);
    EXPECT_EQ(VMalloc(block.data(), 1), 0u);
}

TEST(StringHeap, BlockSizesRoundUpWithTagsAndNeverWrap) {
    Heap h(2000);
    char* b = h.base();
    std::uint16_t one = VMalloc(b, 1);
    ASSERT_NE(one, 0);
    EXPECT_EQ(BlockSize(b, one), 28u);
    std::uint16_t zero = VMalloc(b, 0);
    EXPECT_EQ(BlockSize(b, zero), 28u);
    std::uint16_t seventeen = VMalloc(b, 17);
    EXPECT_EQ(BlockSize(b, seventeen), 32u);
    std::uint16_t twenty = VMalloc(b, 20);
    EXPECT_EQ(BlockSize(b, twenty), 32u);
    EXPECT_EQ(BlockSize(b, VMalloc(b, 21)), 36u);
    // Used blocks carry "5678" at both ends and the handle is start + 8.
    EXPECT_EQ(std::memcmp(b + seventeen - 8, "5678", 4), 0);
    EXPECT_EQ(std::memcmp(b + seventeen - 8 + 32 - 4, "5678", 4), 0);
    EXPECT_EQ(HeapBlockCapacity(b, seventeen), 20u);

    std::uint32_t before = HeapFreeTotal(b);
    EXPECT_EQ(VMalloc(b, 65535), 0);
    EXPECT_EQ(VMalloc(b, 0xFFFFFFF5u), 0); // n + 15 would wrap to a small block
    EXPECT_EQ(VMalloc(b, 0xFFFFFFFFu), 0);
    EXPECT_EQ(HeapFreeTotal(b), before);
    EXPECT_EQ(VMalloc(nullptr, 4), 0);
}

TEST(StringHeap, ExhaustionThenFreeingEverythingRestoresOneBlock) {
    Heap h(1000);
    char* b = h.base();
    const std::uint32_t initial = HeapFreeTotal(b);
    std::vector<std::uint16_t> handles;
    for (;;) {
        std::uint16_t x = VMalloc(b, 10);
        if (!x) break;
        std::memset(b + x, 'x', 10);
        handles.push_back(x);
    }
    // 948 bytes: 32 blocks of 28 bytes, then the last 52 are taken whole.
    ASSERT_EQ(handles.size(), 33u);
    EXPECT_LT(HeapFreeTotal(b), 28u);
    for (std::uint16_t x : handles) {
        EXPECT_GE(x, 48u);
        EXPECT_LE(x + 20u, 1000u - 12);
    }
    // Free in an interleaved order so that every kind of merge happens.
    for (std::size_t i = 0; i < handles.size(); i += 2)
        VFree(h.ctx.get(), b, handles[i]);
    for (std::size_t i = 1; i < handles.size(); i += 2)
        VFree(h.ctx.get(), b, handles[i]);
    EXPECT_EQ(HeapFreeTotal(b), initial);
    std::uint16_t all = VMalloc(b, initial - 12);
    EXPECT_EQ(all, 48u);
    VFree(h.ctx.get(), b, all);
    EXPECT_EQ(HeapFreeTotal(b), initial);
}

TEST(StringHeap, SplitTakesTheUpperPartAndWholeTakeUnlinks) {
    Heap h(200); // one free block of 148 bytes at offset 40
    char* b = h.base();
    std::uint16_t a = VMalloc(b, 20); // 32 bytes from the top of the free block
    EXPECT_EQ(a, 40u + 148 - 32 + 8);
    EXPECT_EQ(Word(b, 44), 116u);           // the free block kept its lower part
    EXPECT_EQ(Word(b, 40 + 116 - 8), 116u); // with its size copy
    EXPECT_EQ(std::memcmp(b + 40 + 116 - 4, "QRST", 4), 0);
    // 116 - 92 = 24 < 28: the whole block is taken and the list is empty.
    std::uint16_t c = VMalloc(b, 80);
    EXPECT_EQ(c, 48u);
    EXPECT_EQ(BlockSize(b, c), 116u);
    EXPECT_EQ(Word(b, 8), 0u);
    EXPECT_EQ(Word(b, 12), 0u);
    EXPECT_EQ(Word(b, 28), 0u); // the rover was that block
    EXPECT_EQ(VMalloc(b, 1), 0);
    EXPECT_EQ(HeapFreeTotal(b), 0u);
}

TEST(StringHeap, FreeCoalescesWithBothNeighbours) {
    Heap h(1000);
    char* b = h.base();
    std::uint16_t x[5];
    for (auto& v : x)
        v = VMalloc(b, 20);
    // Blocks are taken from the top down: x[0] is the highest.
    VFree(h.ctx.get(), b, x[1]);
    VFree(h.ctx.get(), b, x[3]);
    std::uint32_t free_before = HeapFreeTotal(b);
    VFree(h.ctx.get(), b, x[2]); // between two free blocks
    EXPECT_EQ(HeapFreeTotal(b), free_before + 32);
    // One free block of 96 bytes now starts where x[3] did.
    std::uint32_t start = x[3] - 8u;
    EXPECT_EQ(std::memcmp(b + start, "QRST", 4), 0);
    EXPECT_EQ(Word(b, start + 4), 96u);
    EXPECT_EQ(Word(b, start + 96 - 8), 96u);
    // The list holds two blocks: the merged one and the big lower one.
    std::uint32_t first = Word(b, 8);
    std::uint32_t second = Word(b, first + 8);
    EXPECT_EQ(Word(b, second + 8), 0u);
    EXPECT_EQ(Word(b, 12), second);
    EXPECT_TRUE(first == start || second == start);
    VFree(h.ctx.get(), b, x[4]); // merges with the big block below and the merged one above
    EXPECT_EQ(HeapFreeTotal(b), 1000u - 52 - 32);
    EXPECT_EQ(Word(b, Word(b, 8) + 8), 0u); // a single free block
}

TEST(StringHeap, DamagedTagsAreReportedAndTheBlockStaysAllocated) {
    if (!BoxesAnswered()) GTEST_SKIP() << "no scripted answers for the heap box";
    Heap h(1000);
    char* b = h.base();
    std::uint16_t upper = VMalloc(b, 12);
    std::uint16_t lower = VMalloc(b, 12); // directly below upper
    ASSERT_EQ(lower + 28u, upper);
    std::uint32_t before = HeapFreeTotal(b);

    // The upper neighbour's opening tag is destroyed.
    PutWord(b, upper - 8, 0x41414141u);
    testing::internal::CaptureStderr();
    VFree(h.ctx.get(), b, lower);
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("INTERNAL DYNALLOC ERROR: Tag Overwrite 2"), std::string::npos) << out;
    EXPECT_EQ(HeapFreeTotal(b), before);
    EXPECT_EQ(std::memcmp(b + lower - 8, "5678", 4), 0);
    EXPECT_EQ(h.ctx->error_code, 0);

    // Writing past the end of the lower string runs over its closing tag
    // into the upper block.
    PutWord(b, upper - 8, kUsedBlockTag);
    std::memset(b + lower, 'y', 28);
    testing::internal::CaptureStderr();
    VFree(h.ctx.get(), b, lower);
    out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("INTERNAL DYNALLOC ERROR: Tag Overwrite 2"), std::string::npos) << out;
    EXPECT_EQ(HeapFreeTotal(b), before);

    // A damaged closing tag of the lower neighbour.
    Heap g(1000);
    char* c = g.base();
    std::uint16_t top = VMalloc(c, 12);
    std::uint16_t below = VMalloc(c, 12);
    PutWord(c, top - 12, 0x12345678u);
    std::uint32_t free_c = HeapFreeTotal(c);
    testing::internal::CaptureStderr();
    VFree(g.ctx.get(), c, top);
    out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("INTERNAL DYNALLOC ERROR: Tag Overwrite 1"), std::string::npos) << out;
    EXPECT_EQ(HeapFreeTotal(c), free_c);
    (void)below;

    // The lower neighbour is free but its size copy points outside: refused
    // before the list is touched.
    Heap k(1000);
    char* d = k.base();
    std::uint16_t hi = VMalloc(d, 12);
    std::uint16_t mid = VMalloc(d, 12);
    VMalloc(d, 12);
    VFree(k.ctx.get(), d, mid - 28); // free the block below mid
    PutWord(d, mid - 16, 5000);      // its size copy
    std::uint32_t first_free = Word(d, 8);
    testing::internal::CaptureStderr();
    VFree(k.ctx.get(), d, mid);
    out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("Tag Overwrite 1"), std::string::npos) << out;
    EXPECT_EQ(Word(d, 8), first_free);
    EXPECT_EQ(std::memcmp(d + mid - 8, "5678", 4), 0);
    // A damaged free list makes allocation fail instead of straying.
    EXPECT_EQ(VMalloc(d, 12), 0);
    (void)hi;
}

TEST(StringHeap, DoubleFreeAndForeignHandlesAreRefused) {
    if (!BoxesAnswered()) GTEST_SKIP() << "no scripted answers for the heap box";
    Heap h(1000);
    char* b = h.base();
    ScriptContext* ctx = h.ctx.get();
    std::uint16_t a = VMalloc(b, 12);
    std::uint16_t m = VMalloc(b, 12);
    std::uint16_t z = VMalloc(b, 12);
    const std::uint32_t initial = 1000u - 52;

    VFree(ctx, b, 0); // ignored without a box
    testing::internal::CaptureStderr();
    VFree(ctx, b, m);
    VFree(ctx, b, m); // the second free is refused
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.find("Tag Overwrite", out.find("Tag Overwrite") + 1), std::string::npos);
    EXPECT_NE(out.find("INTERNAL DYNALLOC ERROR"), std::string::npos) << out;
    EXPECT_EQ(HeapFreeTotal(b), initial - 56);

    // A block merged into its lower neighbour leaves no intact tags behind.
    testing::internal::CaptureStderr();
    VFree(ctx, b, a); // a merges with m's free block below it
    VFree(ctx, b, a);
    out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("INTERNAL DYNALLOC ERROR"), std::string::npos) << out;
    EXPECT_EQ(HeapFreeTotal(b), initial - 28);

    // Outside the heap, misaligned, inside the header, inside a block.
    testing::internal::CaptureStderr();
    VFree(ctx, b, 2000);
    VFree(ctx, b, static_cast<std::uint16_t>(z + 2));
    VFree(ctx, b, 8);
    VFree(ctx, b, static_cast<std::uint16_t>(z + 4));
    VFree(ctx, b, 65535);
    out = testing::internal::GetCapturedStderr();
    std::size_t boxes = 0;
    for (std::size_t p = out.find("INTERNAL DYNALLOC ERROR"); p != std::string::npos;
         p = out.find("INTERNAL DYNALLOC ERROR", p + 1))
        ++boxes;
    EXPECT_EQ(boxes, 5u);
    EXPECT_EQ(HeapFreeTotal(b), initial - 28);

    // The heap still works as before.
    VFree(ctx, b, z);
    EXPECT_EQ(HeapFreeTotal(b), initial);
    EXPECT_EQ(VMalloc(b, initial - 12), 48u);
}

TEST(StringHeap, ContextHelpersCopyTextAndReportExhaustion) {
    Heap h(200);
    ScriptContext* ctx = h.ctx.get();
    std::uint16_t s = HeapCopyText(ctx, "hello");
    ASSERT_NE(s, 0);
    EXPECT_STREQ(HeapText(ctx, s), "hello");
    EXPECT_STREQ(HeapText(ctx, 0), "");
    std::string big(200, 'z');
    EXPECT_EQ(HeapCopyText(ctx, big.c_str()), 0);
    EXPECT_EQ(ctx->error_code, Err::StringMemory);
    ctx->error_code = 0;
    HeapFree(ctx, s);
    HeapFree(ctx, 0);
    EXPECT_EQ(HeapFreeTotal(h.base()), 148u);
}

// The heap as its users can see it: the header words, and every block's
// bookkeeping, with the data of the blocks in use (what a free block holds
// besides its bookkeeping is nobody's).
std::vector<std::uint32_t> Bookkeeping(const char* heap, std::uint32_t size) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t off = 0; off < kHeapFirstBlock; off += 4)
        out.push_back(Word(heap, off));
    for (std::uint32_t off = kHeapFirstBlock; off < size - 12;) {
        const std::uint32_t tag = Word(heap, off);
        const std::uint32_t n = Word(heap, off + 4);
        out.insert(out.end(), {off, tag, n, Word(heap, off + n - 4)});
        if (tag == kFreeBlockTag) {
            out.insert(out.end(),
                       {Word(heap, off + 8), Word(heap, off + 12), Word(heap, off + n - 8)});
        } else {
            for (std::uint32_t k = 8; k + 4 < n; k += 4)
                out.push_back(Word(heap, off + k));
        }
        off += n;
    }
    return out;
}

TEST(StringHeap, TwoCopiesFoundReturnableComeBackExactly) {
    // Heaps of every shape a run makes (blocks taken and freed in random
    // order): wherever two copies are found returnable, making them and
    // freeing them, in either order, leaves the heap as it was.
    Heap h(2000);
    ScriptContext* ctx = h.ctx.get();
    std::vector<std::uint16_t> live;
    std::uint32_t seed = 12345;
    auto draw = [&](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    int returned = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        if (live.empty() || draw(3) != 0) {
            const std::string text(draw(120), 'a');
            if (const std::uint16_t x = HeapCopyText(ctx, text.c_str())) live.push_back(x);
            ctx->error_code = 0;
        } else {
            const std::size_t k = draw(static_cast<std::uint32_t>(live.size()));
            HeapFree(ctx, live[k]);
            live.erase(live.begin() + static_cast<long>(k));
        }
        const std::string a(draw(60), 'x'), b(draw(60), 'y');
        if (!HeapReturnsTwoCopies(h.base(), a.size(), b.size())) {
            ++refused;
            continue;
        }
        ++returned;
        const auto before = Bookkeeping(h.base(), h.formatted);
        const std::uint16_t ca = HeapCopyText(ctx, a.c_str());
        const std::uint16_t cb = HeapCopyText(ctx, b.c_str());
        ASSERT_TRUE(ca && cb);
        if (draw(2)) {
            HeapFree(ctx, ca);
            HeapFree(ctx, cb);
        } else {
            HeapFree(ctx, cb);
            HeapFree(ctx, ca);
        }
        ASSERT_EQ(Bookkeeping(h.base(), h.formatted), before) << "round " << round;
    }
    EXPECT_GT(returned, 30);
    EXPECT_GT(refused, 100);
    EXPECT_FALSE(HeapReturnsTwoCopies(nullptr, 1, 1));

    // The second copy taking all that the first one left (148 = 60 + 88),
    // and four bytes more than the block holds.
    Heap small(200);
    ScriptContext* sctx = small.ctx.get();
    EXPECT_FALSE(HeapReturnsTwoCopies(small.base(), 44, 76));
    EXPECT_EQ(Word(small.base(), 28), 40u); // a new heap's rover is its block
    const std::uint16_t warm = HeapCopyText(sctx, "w");
    HeapFree(sctx, warm);
    ASSERT_TRUE(HeapReturnsTwoCopies(small.base(), 44, 72));
    const auto before = Bookkeeping(small.base(), small.formatted);
    const std::uint16_t ca = HeapCopyText(sctx, std::string(44, 'a').c_str());
    const std::uint16_t cb = HeapCopyText(sctx, std::string(72, 'b').c_str());
    ASSERT_TRUE(ca && cb);
    EXPECT_EQ(HeapFreeTotal(small.base()), 0u);
    HeapFree(sctx, ca);
    HeapFree(sctx, cb);
    EXPECT_EQ(Bookkeeping(small.base(), small.formatted), before);
    EXPECT_FALSE(HeapReturnsTwoCopies(small.base(), 44, 76));
}

} // namespace
} // namespace jol

#ifdef JOL_FAULT_INJECTION
namespace jol {
namespace {

// The drill of the sanitizer build: the chosen allocation fails as in a
// full heap and the others are served; the owner check names a block
// nobody owns, a handle that is no block in use, and a block named twice.
TEST(StringHeap, DrillFailsTheChosenAllocationAndChecksOwners) {
    Heap h(1024);
    HeapFaults().count_from_now(2);
    const std::uint16_t a = VMalloc(h.base(), 10);
    EXPECT_NE(a, 0);
    EXPECT_EQ(VMalloc(h.base(), 10), 0);
    const std::uint16_t b = VMalloc(h.base(), 10);
    EXPECT_NE(b, 0);
    EXPECT_EQ(HeapFaults().taken(), 3u);
    HeapFaults().count_from_now(0);

    const std::uint16_t both[] = {a, 0, b};
    EXPECT_STREQ(CheckHeapOwners(h.base(), both, 3), "");
    const std::uint16_t only_a[] = {a};
    EXPECT_NE(std::string(CheckHeapOwners(h.base(), only_a, 1)).find("owned by nobody"),
              std::string::npos);
    const std::uint16_t twice[] = {a, b, a};
    EXPECT_NE(std::string(CheckHeapOwners(h.base(), twice, 3)).find("named twice"),
              std::string::npos);
    VFree(h.ctx.get(), h.base(), b);
    EXPECT_NE(std::string(CheckHeapOwners(h.base(), both, 3)).find("no block in use"),
              std::string::npos);
    // A damaged block is named as such.
    PutWord(h.base(), a - 8u, 0x41414141u);
    EXPECT_NE(std::string(CheckHeapOwners(h.base(), only_a, 1)).find("damaged"), std::string::npos);
}

} // namespace
} // namespace jol
#endif
