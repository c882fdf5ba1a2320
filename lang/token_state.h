// The tokenizer's state kept in the script context: the current token and
// the line cursor, so that every consumer sees the same current token.
#pragma once

#include <cstdint>

namespace jol {

struct CachedLine;

enum class TokenClass : std::uint8_t {
    End = 0,
    Keyword = 1,
    Variable = 2,
    Integer = 3,
    String = 4,
    Float = 5,
};

struct TokenState {
    const char* cursor = nullptr; // next unread character of the line
    const char* start = nullptr;  // where the current token began
    const char* end = nullptr;    // where it ended: the cursor right after it
    TokenClass cls = TokenClass::End;
    std::int16_t id = 0;
    char text[257] = {};
    char name[32] = {};
    char subst_line[257] = {};
    char subst_name[257] = {};
    // The line cache binding (lang/fast/line_cache.h): tokens read with the
    // cursor in the line buffer at cached_base come from cached_line while
    // its stamp is still cached_stamp. Null: every token is read.
    CachedLine* cached_line = nullptr;
    const char* cached_base = nullptr;
    std::uint32_t cached_stamp = 0;
    // The entry the last line fetch of the context came from, with its
    // stamp then and the buffer the line went to (null: none).
    CachedLine* fetched = nullptr;
    std::uint32_t fetched_stamp = 0;
    const char* fetched_line = nullptr;
    // For a Variable token: the variable-table entry its mention gave (-1
    // none). Only a hint: it is checked against the entry before use.
    std::int16_t var_slot = -1;
    // The recorded token the current token was served as (-1 none): a hint
    // for the expression programs, checked before use.
    std::int16_t cached_token = -1;
    // 0 while code outside the library may have run since the host's
    // keyword table was last compared with the copy the tokens were read
    // with (a zero-filled context starts so).
    std::uint8_t host_rows_checked = 0;
};

} // namespace jol
