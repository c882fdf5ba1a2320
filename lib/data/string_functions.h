// The string functions of the language (the Str* family, character codes,
// number tests, ParseData and the variadic Average, Max and Min), and the
// result helpers that the other data modules share.
//
// Positions and lengths a script passes are checked against the string they
// address: out of range gives 0 or the empty string, never an access outside
// the text. Every scanner steps over double-byte characters as units.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"
#include "lang/text_join.h"
#include "lang/value.h"

namespace jol {

struct ScriptContext;

// A new result string of length bytes (and a terminator) in the context's
// heap: the result holds it with flags exactly vf::String and the text
// pointer is returned, its first and last byte zero. Null with
// Err::StringMemory when the heap has no block of that size (also for a length the heap could
// never hold).
char* NewResultText(ScriptContext* ctx, Value& result, std::size_t length);

// A result string holding a copy of length bytes at text. 1, or 0 with
// Err::StringMemory.
int SetResultText(ScriptContext* ctx, Value& result, const char* text, std::size_t length);

// The language's integer text test: any number of leading spaces, then any
// number of sign characters, then at least one decimal digit and nothing
// else.
bool IsStrictInteger(const char* text);

// Characters in a zero-terminated text (a double-byte character counts
// once).
std::size_t CharacterCount(const char* text);

// The module record of the string functions: StrCat, StrLen,
// StrCharCount, StrSub, StrIndex, StrIndexNc, StrScan, StrTrim, StrUpper,
// StrLower, StrFill, StrFix, StrFixLeft, StrFixChars, StrFixCharsL,
// StrReplace, StrCmp, StriCmp, Char2Num, Num2Char, IsNumber, IsFloat, IsInt,
// ParseData, Average, Max and Min. StrCat, Average, Max and Min are called
// with the current token on the opening parenthesis and read their own
// arguments up to the closing one, which they leave as the current token.
extern const Module kStringModule;

} // namespace jol
