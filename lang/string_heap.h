// The string heap: a sub-allocator inside one memory block of at most
// 65532 bytes that holds the text of every string value. A block is named by
// the 16-bit offset of its data (0 = none).
//
// The reserved header word at offset 32 keeps the formatted size, so that
// every handle can be checked against the heap's bounds.
//
// Layout (32-bit little-endian words): the free-list head at offset 0 (tag,
// size 0, first free, last free), a used tag pair at 16/20, the rover at 28,
// the lower sentinel tag at 36, blocks from 40 up to size - 12, the upper
// sentinel tag at size - 12. A used block is "5678", size, data, "5678"; a
// free block is "QRST", size, next, previous, ..., size copy, "QRST".
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef JOL_FAULT_INJECTION
#include "platform/memory.h"
#endif

namespace jol {

struct ScriptContext;

constexpr std::uint32_t kUsedBlockTag = 0x38373635u; // "5678"
constexpr std::uint32_t kFreeBlockTag = 0x54535251u; // "QRST"
constexpr std::uint32_t kHeapFirstBlock = 40;
constexpr std::uint32_t kHeapMinBlock = 28;
constexpr std::uint32_t kHeapMaxSize = 65532;
// The smallest heap: the headers, one minimal block and the upper sentinel.
constexpr std::uint32_t kHeapMinSize = kHeapFirstBlock + kHeapMinBlock + 12;

// Formats the heap in a block of block_size bytes with the requested size,
// clamped to the block, to kHeapMaxSize and to a multiple of 4. Returns the
// formatted size, or 0 when that is below kHeapMinSize.
std::uint32_t FormatStringHeap(char* base, std::size_t block_size, std::uint32_t requested);

// A block for bytes bytes of data; 0 when no free block is large enough.
std::uint16_t VMalloc(char* heap, std::uint32_t bytes);

// Returns a block to the heap. Handle 0 is ignored. A handle that names no
// intact used block, or a block whose neighbours' tags are destroyed, is
// reported in the heap-corruption box and left as it is.
void VFree(ScriptContext* ctx, char* heap, std::uint16_t handle);

// Message numbers of the heap-corruption box: the caption and the texts for
// a damaged lower neighbour (or block start) and a damaged upper neighbour
// (or block end).
constexpr int kMsgHeapCaption = 845;
constexpr int kMsgTagOverwrite1 = 846;
constexpr int kMsgTagOverwrite2 = 847;

// Shows the heap-corruption box; no error code is set.
void ShowHeapCorruption(ScriptContext* ctx, int message);

// True when copying two texts of lengths a and b into the heap, one after
// the other, and then freeing both copies (in either order) leaves every
// word of the heap's bookkeeping as it was: the search for a block starts
// at the first free block, that block holds both copies, and the block
// above it is in use. An operation that only reads
// its copies may then read the texts where they are.
bool HeapReturnsTwoCopies(const char* heap, std::size_t a, std::size_t b);

// The data of a block of the context's heap; "" for handle 0.
char* HeapText(ScriptContext* ctx, std::uint16_t handle);

// A new block of the context's heap with a copy of the text; 0 with
// Err::StringMemory when no block fits.
std::uint16_t HeapCopyText(ScriptContext* ctx, const char* text);

// Frees a block of the context's heap (handle 0 is ignored).
void HeapFree(ScriptContext* ctx, std::uint16_t handle);

// Sum of the sizes of the free blocks (for leak checks).
std::uint32_t HeapFreeTotal(const char* heap);

// The data capacity of a used block (its size less the tags and size).
std::uint32_t HeapBlockCapacity(const char* heap, std::uint16_t handle);

#ifdef JOL_FAULT_INJECTION
// Test builds only (the sanitizer and fuzz builds): the counter of VMalloc
// calls; the one it makes fail finds no block, as in a full heap.
plat::FaultCounter& HeapFaults();

// Checks that the used blocks of the heap are exactly the blocks named by
// owners (count handles, 0 entries ignored), each named once, and that the
// used and free blocks tile the heap. Returns "" when they do, else what
// is wrong, in words.
const char* CheckHeapOwners(const char* heap, const std::uint16_t* owners, std::size_t count);
#endif

} // namespace jol
