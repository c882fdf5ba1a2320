#include "lang/fast/line_cache.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "host/context/script_context.h"
#include "lang/fast/change_epoch.h"
#include "lang/fast/speedups.h"
#include "platform/abi.h"
#include "platform/memory.h"

namespace jol {

namespace detail {
std::atomic<std::uint32_t> g_token_generation{1};
} // namespace detail

namespace {

constexpr unsigned kCachedLines = 256; // lines kept per thread
constexpr unsigned kIndexSlots = 1024; // a power of two, four times the lines
constexpr int kHostRowsMax = 1000;     // rows a host table may have (ids 900 to 1899)
constexpr int kHostCopyRows = 128;     // larger host tables drop the tokens at every check

// The first state of the refill choice.
constexpr std::uint32_t kDrawSeed = 0x2545F491u;

// The lines are found through an open-addressing index by block and offset,
// so that any lines may be kept together: a loop body of many lines stays
// whole in the cache instead of pushing its own lines out where their
// places collide.
//
// The cache is made from zeroed memory that the system hands out untouched
// (1.25 MiB, of which a short script uses a few entries): the record is
// never constructed as a whole, and each entry is constructed when it is
// first taken. Every field but draw starts as zero bytes.
struct LineCache {
    CachedLine lines[kCachedLines];
    std::uint16_t index[kIndexSlots] = {}; // entry number + 1 by hash, 0 = free
    unsigned hand = 0;                     // the next entry to fill while some are empty
    unsigned built = 0;                    // the entries constructed so far, from the first
    std::uint32_t draw = kDrawSeed;        // the state of the refill choice
    std::uint32_t next_stamp = 0;
    // the host keyword table the tokens were read with, and a copy of it
    const KeywordEntry* host_rows = nullptr;
    int host_count = 0;
    KeywordEntry host_copy[kHostCopyRows];
};

// One cache per thread, made on first use and freed when the thread ends:
// a plain pointer, so that reaching it costs the same everywhere (the
// owner below, whose destructor frees it, is touched only when it is
// made).
thread_local LineCache* t_cache JOL_FAST_TLS = nullptr;

std::atomic<int> g_live_caches{0};

struct CacheOwner {
    CacheOwner() = default;
    CacheOwner(const CacheOwner&) = delete;
    CacheOwner& operator=(const CacheOwner&) = delete;
    ~CacheOwner() {
        std::free(t_cache);
        t_cache = nullptr;
        g_live_caches.fetch_sub(1, std::memory_order_relaxed);
    }
};

[[gnu::noinline]] LineCache& MakeCache() {
    // The owner is made with the cache, in this thread, and ends with it.
    thread_local CacheOwner owner;
    (void)owner;
    static_assert(std::is_trivially_copyable_v<LineCache> &&
                  std::is_trivially_destructible_v<LineCache>);
    auto* made = static_cast<LineCache*>(std::calloc(1, sizeof(LineCache)));
    if (!made) throw std::bad_alloc();
    made->draw = kDrawSeed;
    g_live_caches.fetch_add(1, std::memory_order_relaxed);
    t_cache = made;
    return *t_cache;
}

inline LineCache& Cache() {
    return t_cache ? *t_cache : MakeCache();
}

// The index slot a line's search starts at.
unsigned HashOf(plat::MemHandle block, std::uint16_t from) {
    const auto b = static_cast<std::uint64_t>(block);
    std::uint32_t h = static_cast<std::uint32_t>(b ^ (b >> 32)) * 0x9E3779B1u;
    h ^= from * 0x85EBCA6Bu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h & (kIndexSlots - 1);
}

bool Keyed(const CachedLine& e, plat::MemHandle block, std::uint16_t from) {
    return e.indexed && e.block == block && e.from == from;
}

// The index slot of the entry kept for block and from, or the free slot
// where it would go.
[[gnu::always_inline]] inline unsigned IndexSlot(const LineCache& c, plat::MemHandle block,
                                                 std::uint16_t from) {
    unsigned h = HashOf(block, from);
    while (c.index[h] != 0 && !Keyed(c.lines[c.index[h] - 1u], block, from))
        h = (h + 1) & (kIndexSlots - 1);
    return h;
}

// The entry that holds the line fetched from block at from, else null.
[[gnu::always_inline]] inline CachedLine* Lookup(LineCache& c, plat::MemHandle block,
                                                 std::uint16_t text_length, std::uint16_t from) {
    const unsigned k = c.index[IndexSlot(c, block, from)];
    if (k == 0) return nullptr;
    CachedLine* e = &c.lines[k - 1u];
    return e->raw_length != 0 && e->text_length == text_length ? e : nullptr;
}

// Takes an entry out of the index; the entries after it in its run of slots
// move back so that every search still finds them.
void Unindex(LineCache& c, CachedLine& e) {
    if (!e.indexed) return;
    unsigned hole = IndexSlot(c, e.block, e.from);
    e.indexed = false;
    c.index[hole] = 0;
    for (unsigned h = (hole + 1) & (kIndexSlots - 1); c.index[h] != 0;
         h = (h + 1) & (kIndexSlots - 1)) {
        const CachedLine& other = c.lines[c.index[h] - 1u];
        const unsigned home = HashOf(other.block, other.from);
        // It stays where its search, from its home slot, reaches it before
        // the hole.
        if (((h - home) & (kIndexSlots - 1)) < ((h - hole) & (kIndexSlots - 1))) continue;
        c.index[hole] = c.index[h];
        c.index[h] = 0;
        hole = h;
    }
}

// The entry a new line goes to: the one that held it before, else an empty
// one, else one drawn at random. A random choice keeps most of a loop body
// longer than the cache (choosing the least lately used would refill, in a
// loop, just the line needed next, and keep none) and seldom takes a line
// of an inner loop, which comes back at once anyway.
CachedLine& EntryFor(LineCache& c, plat::MemHandle block, std::uint16_t from) {
    const unsigned slot = IndexSlot(c, block, from);
    if (c.index[slot] != 0) return c.lines[c.index[slot] - 1u];
    unsigned pick = c.hand;
    if (pick < c.built && c.lines[pick].indexed) {
        // xorshift: the same choices in every run, so timings repeat.
        c.draw ^= c.draw << 13;
        c.draw ^= c.draw >> 17;
        c.draw ^= c.draw << 5;
        pick = c.draw % kCachedLines;
    } else {
        c.hand = (pick + 1) % kCachedLines;
        if (pick >= c.built) {
            new (&c.lines[pick]) CachedLine();
            c.built = pick + 1;
        }
    }
    CachedLine& e = c.lines[pick];
    Unindex(c, e);
    e.block = block;
    e.from = from;
    e.indexed = true;
    c.index[IndexSlot(c, block, from)] = static_cast<std::uint16_t>(pick + 1);
    return e;
}

} // namespace

void ResetCachedTokens(CachedLine& e) {
    std::memset(e.slot, 0, sizeof e.slot);
    e.count = 0;
    e.pool_used = 0;
    for (ExpressionProgram& p : e.programs)
        p.state = 0;
    e.generation = TokenCacheGeneration();
}

void InvalidateTokenCache() {
    detail::g_token_generation.fetch_add(1, std::memory_order_relaxed);
}

void CheckHostKeywords(const ScriptContext* ctx) {
    LineCache& c = Cache();
    const KeywordEntry* rows = ctx->host_keywords;
    // Unchanged: the same rows as the copy, and the row after them still
    // ends the table.
    if (rows == c.host_rows && c.host_count <= kHostCopyRows &&
        (!rows ||
         (rows[c.host_count].length <= 0 &&
          std::memcmp(c.host_copy, rows,
                      static_cast<std::size_t>(c.host_count) * sizeof(KeywordEntry)) == 0)))
        return;
    int n = 0;
    if (rows)
        while (n < kHostRowsMax && rows[n].length > 0)
            ++n;
    const auto bytes = static_cast<std::size_t>(n) * sizeof(KeywordEntry);
    if (rows == c.host_rows && n == c.host_count && n <= kHostCopyRows &&
        (n == 0 || std::memcmp(c.host_copy, rows, bytes) == 0))
        return;
    c.host_rows = rows;
    c.host_count = n;
    if (n > 0 && n <= kHostCopyRows) std::memcpy(c.host_copy, rows, bytes);
    InvalidateTokenCache();
}

CachedLine* FindFetchedLine(plat::MemHandle block, std::uint16_t text_length, std::uint16_t from,
                            const unsigned char* text) {
    LineCache& c = Cache();
    CachedLine* e = Lookup(c, block, text_length, from);
    const std::uint64_t epoch = ChangeEpoch();
    if (!e || std::memcmp(text + from, e->raw, e->raw_length) != 0) return nullptr;
    e->checked_epoch = epoch;
    return e;
}

CachedLine* FindCheckedLine(plat::MemHandle block, std::uint16_t text_length, std::uint16_t from) {
    LineCache& c = Cache();
    CachedLine* e = Lookup(c, block, text_length, from);
    if (!e || e->checked_epoch != ChangeEpoch()) return nullptr;
    return e;
}

CachedLine* RememberFetchedLine(plat::MemHandle block, std::uint16_t text_length,
                                std::uint16_t from, std::uint16_t to, std::uint16_t line_start,
                                const unsigned char* text, const char* line) {
    if (to <= from || static_cast<std::size_t>(to - from) > kCachedRawMax) return nullptr;
    const std::size_t length = std::strlen(line);
    if (length >= kCachedLineSize) return nullptr;
    LineCache& c = Cache();
    const std::uint64_t epoch = ChangeEpoch();
    CachedLine& e = EntryFor(c, block, from);
    e.text_length = text_length;
    e.to = to;
    e.line_start = line_start;
    e.raw_length = static_cast<std::uint16_t>(to - from);
    std::memcpy(e.raw, text + from, e.raw_length);
    e.line_length = static_cast<std::uint16_t>(length);
    std::memcpy(e.line, line, length + 1);
    e.plain = std::strchr(line, '%') == nullptr;
    e.stamp = ++c.next_stamp;
    e.checked_epoch = epoch;
    // The line that followed the entry's old line does not follow this one.
    e.after = nullptr;
    e.owner = nullptr;
    ResetCachedTokens(e);
    return &e;
}

bool FetchedLineIsPlain(const ScriptContext* ctx, const char* line) {
    const TokenState& t = ctx->token;
    const CachedLine* e = t.fetched;
    return SpeedupOn(speedup::Lines) && e && t.fetched_line == line &&
           e->stamp == t.fetched_stamp && e->plain;
}

void NoteFetchedLine(ScriptContext* ctx, CachedLine* e, const char* line) {
    TokenState& t = ctx->token;
    t.fetched = e;
    t.fetched_stamp = e ? e->stamp : 0;
    t.fetched_line = line;
}

void BindLineTokens(ScriptContext* ctx, const char* line) {
    TokenState& t = ctx->token;
    t.cached_line = nullptr;
    if (!SpeedupOn(speedup::Tokens) || !line) return;
    // The entry of the last fetch, while it still holds that line and the
    // buffer is the one the line went to (a line that was substituted is
    // never bound).
    CachedLine* e = t.fetched;
    if (!e || t.fetched_line != line || e->stamp != t.fetched_stamp || e->raw_length == 0) return;
    // The host's rows are compared again only when its code may have run
    // since, or when another table was compared last on this thread.
    if (!t.host_rows_checked || Cache().host_rows != ctx->host_keywords) {
        CheckHostKeywords(ctx);
        t.host_rows_checked = 1;
    }
    if (e->owner != ctx || e->host_rows != ctx->host_keywords ||
        e->extender_rows != ctx->extenders.row_count) {
        // Another lookup state: the tokens start afresh, and a binding
        // made for the old one is dropped.
        e->owner = ctx;
        e->host_rows = ctx->host_keywords;
        e->extender_rows = ctx->extenders.row_count;
        e->stamp = ++Cache().next_stamp;
        t.fetched_stamp = e->stamp;
        ResetCachedTokens(*e);
    }
    t.cached_line = e;
    t.cached_base = line;
    t.cached_stamp = e->stamp;
}

void UnbindLineTokens(ScriptContext* ctx) {
    ctx->token.cached_line = nullptr;
}

int LiveLineCaches() {
    return g_live_caches.load(std::memory_order_relaxed);
}

void ClearLineCache() {
    if (!t_cache) return;
    for (unsigned i = 0; i < t_cache->built; ++i) {
        CachedLine& e = t_cache->lines[i];
        e.raw_length = 0;
        e.indexed = false;
        e.after = nullptr;
        e.stamp = ++t_cache->next_stamp;
    }
    std::memset(t_cache->index, 0, sizeof t_cache->index);
}

} // namespace jol
