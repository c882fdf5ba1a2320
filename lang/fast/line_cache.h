// The line cache of the fast paths: a line fetched from a script block is
// kept with the bytes it was read from, so that the next fetch from the same
// bytes copies the finished line instead of classing every byte again, and
// with the tokens read from it, so that a line that runs again (a loop body)
// is not scanned again.
//
// Nothing here is trusted without a check. A fetch is served from the cache
// only when the block's bytes from the fetch offset are still the ones the
// line was read from (a jump record written into the block, another script
// in a block of the same handle, a host that rewrote its block: all of them
// change those bytes). A token is served only for the same text at the same
// offset, for the same context, the same host keyword table and extender
// row count, and within the same keyword generation (InvalidateTokenCache).
// A token is recorded only when reading it raised no error, and a variable
// name served from the cache is mentioned in the variable table as the
// tokenizer mentions it, so entries are created in the same order.
//
// The cache is per thread: a run and everything it calls stay on one
// thread, and no lock is needed. It is freed when its thread ends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "lang/fast/change_epoch.h"
#include "lang/keyword_entry.h"
#include "lang/token_state.h"
#include "platform/memory.h"

namespace jol {

struct ScriptContext;

constexpr std::size_t kCachedLineSize = 257; // a line buffer: 256 characters and a zero
constexpr std::size_t kCachedRawMax = 512;   // bytes of block text a line may come from
constexpr int kCachedTokens = 48;            // tokens recorded per line
constexpr std::size_t kCachedTextPool = 1024;

struct CachedToken {
    TokenClass cls = TokenClass::End;
    // A Keyword's row kind (without the disabled mark) + 1 when it was
    // read; 0 unknown. Rows change kind only with the keyword generation.
    std::uint8_t row_kind = 0;
    std::int16_t id = 0;
    std::uint16_t start = 0;    // offset in the line where the token began
    std::uint16_t end = 0;      // offset of the cursor after it
    std::uint16_t text = 0;     // offset of its text in the pool
    std::uint16_t length = 0;   // bytes of its text
    std::int16_t var_hint = -1; // a Variable's entry when last mentioned
    // The program made for the expression that starts here, by whether it
    // allows assignment: its place in the line's programs + 1 (0 none).
    // Only a hint: the program's own first token and kind are compared.
    std::uint8_t program[2] = {0, 0};
    // The change epoch at which var_hint last carried the name in the
    // table the line's names_vars names (0: never).
    std::uint64_t names_epoch = 0;
};

// An expression of the line translated, from its recorded tokens, into
// steps over integers (lang/fast/expression_programs.h). Only a cache: it is made
// from the tokens and dropped with them.
constexpr int kProgramSteps = 32;
constexpr int kLinePrograms = 6;
constexpr int kProgramCalls = 4; // more calls in one expression are not translated

struct ProgramStep {
    std::uint8_t kind = 0;  // ProgramStepKind
    std::int8_t token = -1; // the token a variable step reads
    std::int16_t op = 0;    // the operator of a binary step
    std::int32_t value = 0; // the number of a constant step, a binary operator's level
};

struct ExpressionProgram {
    std::uint8_t state = 0;    // ProgramState
    std::uint8_t assign = 0;   // made for an evaluation that allows assignment
    std::int8_t first = -1;    // token the expression starts at
    std::int8_t target = -1;   // assignment: the variable token assigned
    std::int8_t last_var = -1; // the last variable token read, -1 none
    std::uint8_t parens = 0;   // reads an opening parenthesis as an operand
    std::uint8_t calls = 0;    // the number of functions it calls
    std::uint8_t count = 0;
    std::uint8_t integers = 0;                 // only variables, numbers and binary operators
    std::uint8_t tries = 0;                    // translations tried while tokens were missing
    std::uint16_t term_from = 0;               // cursor offset the token after it is read from
    std::int8_t term = -1;                     // that token
    std::int16_t call_ids[kProgramCalls] = {}; // the functions it calls
    ProgramStep steps[kProgramSteps];
};

struct CachedLine {
    // The fetch: the block and the bytes [from, to) the line came from.
    plat::MemHandle block = 0;
    std::uint16_t text_length = 0;
    std::uint16_t from = 0;
    std::uint16_t to = 0;
    std::uint16_t line_start = 0;
    std::uint16_t raw_length = 0; // 0: the entry is empty
    std::uint16_t line_length = 0;
    bool plain = false;   // holds no %, so substitution leaves it as it is
    bool indexed = false; // the cache's index finds it by block and from
    // Changes whenever the entry gets another line or another owner; a
    // binding to the entry holds the stamp it was made with.
    std::uint32_t stamp = 0;
    // The change epoch at which the block last held the bytes (0: never).
    std::uint64_t checked_epoch = 0;
    // The entry fetched after this one the last time, from after_from (its
    // end, or where a jump led), with the stamp it had then: a hint that
    // spares the next fetch from there its search.
    CachedLine* after = nullptr;
    std::uint32_t after_stamp = 0;
    std::uint16_t after_from = 0;
    char raw[kCachedRawMax];
    char line[kCachedLineSize];

    // The tokens, valid for this owner and lookup state.
    const ScriptContext* owner = nullptr;
    const void* names_vars = nullptr; // the variable table the tokens' epochs are for
    const KeywordEntry* host_rows = nullptr;
    std::int32_t extender_rows = 0;
    std::uint32_t generation = 0;
    std::uint8_t slot[kCachedLineSize + 1]; // token number + 1 by cursor offset, 0 = none
    int count = 0;
    CachedToken tokens[kCachedTokens];
    std::size_t pool_used = 0;
    char pool[kCachedTextPool];
    ExpressionProgram programs[kLinePrograms];
};

namespace detail {
extern std::atomic<std::uint32_t> g_token_generation;
} // namespace detail

// The keyword generation: tokens recorded under another generation are
// dropped before use.
inline std::uint32_t TokenCacheGeneration() {
    return detail::g_token_generation.load(std::memory_order_relaxed);
}

// Drops every recorded token (of every thread): the keyword lookup may give
// other answers from now on (extender rows were added or removed, host code
// ran that may have rewritten its keyword table, the fast paths were
// switched).
void InvalidateTokenCache();

// The host's keyword table belongs to the host, which may rewrite it
// whenever its code runs (a callback, a window procedure in a message loop).
// The tokens read while it held other rows are dropped: called before a
// line is bound and after every function call, the two points where host
// code may have run since the last check.
void CheckHostKeywords(const ScriptContext* ctx);

// The line fetched before from the same bytes: block and text_length name
// the script block, from the fetch offset, text the locked text. Null when
// there is none.
CachedLine* FindFetchedLine(plat::MemHandle block, std::uint16_t text_length, std::uint16_t from,
                            const unsigned char* text);

// The line fetched before from block at from whose bytes were found there
// at the current change epoch: nothing can have written or freed the block
// since, so the line is the same without the block being locked or read.
// Null when there is none.
CachedLine* FindCheckedLine(plat::MemHandle block, std::uint16_t text_length, std::uint16_t from);

// The line after the one last fetched for the context, when the fetch at
// from in block goes on from where the fetch after that one went on last
// time (its end, or where the same jump led) and the line kept from there
// is still there and was found in the block's bytes at the current change
// epoch (as FindCheckedLine would find it, without the search). Null when
// there is none.
inline CachedLine* FollowingCheckedLine(const TokenState& t, plat::MemHandle block,
                                        std::uint16_t text_length, std::uint16_t from) {
    const CachedLine* p = t.fetched;
    if (!p || p->stamp != t.fetched_stamp || p->after_from != from || p->block != block)
        return nullptr;
    CachedLine* n = p->after;
    // The link was made when the fetch after p went on at from and n was
    // kept from there in the same block; an entry that gets another line
    // drops its link, and n gets another stamp, so neither can have moved
    // since.
    if (!n || n->stamp != p->after_stamp || n->text_length != text_length ||
        n->checked_epoch != ChangeEpoch())
        return nullptr;
    return n;
}

// The row kind (RowKind) of the current token, a Keyword just served from
// the bound line's record; -1 when the record does not hold it.
inline int ServedKeywordKind(const TokenState& t) {
    if (t.cached_token < 0 || !t.cached_line || t.cls != TokenClass::Keyword) return -1;
    return t.cached_line->tokens[t.cached_token].row_kind - 1;
}

// Remembers e, fetched at from, as the line after the one last fetched for
// the context, in the same block.
inline void LinkFollowingLine(const TokenState& t, CachedLine* e, std::uint16_t from) {
    CachedLine* p = t.fetched;
    if (!p || !e || p->stamp != t.fetched_stamp || p->block != e->block) return;
    p->after = e;
    p->after_stamp = e->stamp;
    p->after_from = from;
}

// Keeps a line that was fetched from text[from, to) (at most kCachedRawMax
// bytes; longer spans are not kept). The entry, or null.
CachedLine* RememberFetchedLine(plat::MemHandle block, std::uint16_t text_length,
                                std::uint16_t from, std::uint16_t to, std::uint16_t line_start,
                                const unsigned char* text, const char* line);

// True when the line in the buffer is the one last fetched into it from a
// kept entry, and that line holds no % (substitution would change nothing).
bool FetchedLineIsPlain(const ScriptContext* ctx, const char* line);

// Notes in the context which entry (null: none) the line just fetched into
// the buffer line came from.
void NoteFetchedLine(ScriptContext* ctx, CachedLine* e, const char* line);

// Binds the token cache of the context to the line buffer, which holds the
// line last fetched into it, as it was fetched (not substituted). Tokens read with the cursor in
// that buffer are then served from the cache until UnbindLineTokens.
void BindLineTokens(ScriptContext* ctx, const char* line);
void UnbindLineTokens(ScriptContext* ctx);

// Forgets every cached line of this thread (tests).
void ClearLineCache();

// The number of threads that hold a line cache (tests): a thread's cache
// is freed when the thread ends.
int LiveLineCaches();

// Empties the entry's tokens and makes them valid for the current
// generation.
void ResetCachedTokens(CachedLine& e);

} // namespace jol
