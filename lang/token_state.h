// The tokenizer's state kept in the script context: the current token and
// the line cursor, so that every consumer sees the same current token.
#pragma once

#include <cstdint>

namespace jol {

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
};

} // namespace jol
