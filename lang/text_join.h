// The joining of texts into one new string of the heap, as StrCat does it:
// the result's block is taken first (room for 128 characters), each value
// is then made text and copied on, the block growing (by 64 characters
// more than needed) before a text that does not fit. The function and the
// expression programs that call it share these steps, so both make the same
// blocks in the same order.
#pragma once

#include <cstdint>

#include "lang/value.h"

namespace jol {

struct ScriptContext;

struct TextJoin {
    std::uint16_t block = 0; // the result so far, 0 none
    std::uint32_t total = 0; // its length
    std::uint32_t capacity = 0;
};

// Takes the result's first block. False with Err::StringMemory when the
// heap has none.
bool BeginJoin(ScriptContext* ctx, TextJoin& join);

// Adds the value as text and frees its string. False with the error set
// (NoString when it has no text view, StringMemory when the result cannot
// grow): the
// value is freed and so is the result.
bool JoinValue(ScriptContext* ctx, TextJoin& join, Value& v);

// Frees the result of a join that failed on the way.
void AbandonJoin(ScriptContext* ctx, TextJoin& join);

// Ends a join whose argument failed, as StrCat ends: an argument that
// failed without an error code is StrCat's syntax error, and the result
// goes.
void FailJoin(ScriptContext* ctx, TextJoin& join);

// The result: a string value holding the joined text.
void FinishJoin(TextJoin& join, Value& result);

} // namespace jol
