#include "lang/fast/token_cache.h"

#include <cstring>

#include "host/context/script_context.h"
#include "lang/fast/line_cache.h"
#include "lang/fast/variable_hint.h"
#include "lang/keyword_table.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"

namespace jol {

namespace {

// Keeps the token just read from the bound line, at the offset its scan
// started from; a full entry keeps nothing more.
void RecordToken(ScriptContext* ctx, CachedLine& e, unsigned offset, const TokenState& t,
                 const char* base) {
    if (e.count >= kCachedTokens) return;
    const std::size_t length = std::strlen(t.text);
    if (e.pool_used + length + 1 > kCachedTextPool) return;
    CachedToken& c = e.tokens[e.count];
    c.cls = t.cls;
    c.id = t.id;
    c.start = static_cast<std::uint16_t>(t.start - base);
    c.end = static_cast<std::uint16_t>(t.cursor - base);
    c.text = static_cast<std::uint16_t>(e.pool_used);
    c.length = static_cast<std::uint16_t>(length);
    c.var_hint = t.cls == TokenClass::Variable ? t.var_slot : std::int16_t{-1};
    c.names_epoch = 0;
    c.program[0] = c.program[1] = 0;
    c.row_kind = 0;
    if (t.cls == TokenClass::Keyword)
        if (const KeywordEntry* row = KeywordRow(ctx, t.id); row && RowKind(*row) < 255)
            c.row_kind = static_cast<std::uint8_t>(RowKind(*row) + 1);
    std::memcpy(e.pool + e.pool_used, t.text, length + 1);
    e.pool_used += length + 1;
    e.slot[offset] = static_cast<std::uint8_t>(++e.count);
}

// Texts shorter than this are copied out of the line cache as one block.
constexpr std::size_t kShortText = 32;
static_assert(kShortText <= sizeof(TokenState::name) && kShortText <= sizeof(TokenState::text));

// A token not recorded yet: read as usual, then recorded when it was read
// without an error. Kept out of the path that serves recorded tokens, which
// then needs few registers.
[[gnu::noinline]] bool ReadAndRecord(ScriptContext* ctx, CachedLine& e, unsigned offset) {
    TokenState& t = ctx->token;
    const std::int16_t before = ctx->error_code;
    ReadToken(ctx);
    t.end = t.cursor;
    t.cached_token = -1;
    if (before == 0 && ctx->error_code == 0) {
        RecordToken(ctx, e, offset, t, t.cached_base);
        if (e.slot[offset]) t.cached_token = static_cast<std::int16_t>(e.slot[offset] - 1);
    }
    return true;
}

// The mention of a served name whose hint does not name its entry (or that
// has none): a name recorded without a hint is not its own key and never
// gets one; any other is looked up from its hint and keeps what it finds.
[[gnu::noinline]] void MentionAfresh(ScriptContext* ctx, CachedToken& c) {
    TokenState& t = ctx->token;
    if (c.var_hint < 0) {
        MentionVariable(ctx, t.name);
        t.var_slot = -1;
        return;
    }
    const int n = MentionVariableHinted(ctx, t.name, c.var_hint);
    t.var_slot = static_cast<std::int16_t>(n);
    if (n >= 0) c.var_hint = static_cast<std::int16_t>(n);
    c.names_epoch = 0;
}

} // namespace

bool ServeToken(ScriptContext* ctx) {
    TokenState& t = ctx->token;
    CachedLine* e = t.cached_line;
    if (e->stamp != t.cached_stamp) {
        t.cached_line = nullptr; // the entry holds another line now
        return false;
    }
    const auto base = reinterpret_cast<std::uintptr_t>(t.cached_base);
    const auto at = reinterpret_cast<std::uintptr_t>(t.cursor);
    if (at < base || at - base > e->line_length) return false;
    if (e->generation != TokenCacheGeneration()) ResetCachedTokens(*e);
    const auto offset = static_cast<unsigned>(at - base);
    const unsigned k = e->slot[offset];
    if (k == 0) return ReadAndRecord(ctx, *e, offset);
    ServeCachedToken(ctx, *e, static_cast<int>(k - 1));
    return true;
}

void ServeCachedToken(ScriptContext* ctx, CachedLine& e, int k) {
    TokenState& t = ctx->token;
    CachedToken& c = e.tokens[k];
    t.cached_token = static_cast<std::int16_t>(k);
    t.cls = c.cls;
    t.id = c.id;
    const char* text = e.pool + c.text;
    // A short text (most are) goes over as one fixed-size block, with
    // whatever the pool holds after its terminator; the rest by its length.
    const bool short_text = c.length < kShortText && c.text + kShortText <= kCachedTextPool;
    if (short_text)
        std::memcpy(t.text, text, kShortText);
    else
        std::memcpy(t.text, text, c.length + 1u);
    t.start = t.cached_base + c.start;
    t.cursor = t.cached_base + c.end;
    t.end = t.cursor;
    if (c.cls == TokenClass::Variable) {
        // the tokenizer's mention of the name, at the same point
        if (short_text)
            std::memcpy(t.name, text, kShortText);
        else
            std::memcpy(t.name, t.text, c.length + 1u);
        if (TokenNamesEntry(ctx, e, c))
            t.var_slot = c.var_hint;
        else
            MentionAfresh(ctx, c);
    }
}

} // namespace jol
