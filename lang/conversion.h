// Conversions between the integer, float and string views of a Value, the
// text forms of numbers, and the @ constants of the keyword table.
//
// Every function that can fail stores an error code in the context and
// returns 0, except the conversions ToInteger, ToString and ToFloat, whose
// failure leaves the choice of the code to the caller (ToString raises
// Err::StringMemory when the heap is full). A failed conversion leaves the Value as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/context/integer_text.h"
#include "lang/keyword_entry.h"
#include "lang/value.h"

namespace jol {

struct ScriptContext;

// Filler of the unused views of a string literal.
constexpr std::int32_t kFillerInteger = -7777;
constexpr double kFillerFloat = 77.77;

// Size of a buffer for FormatFloat (30 characters and a terminator) and for
// FormatInteger in any radix (33 characters and a terminator).
constexpr std::size_t kFloatTextSize = 31;
constexpr std::size_t kIntegerTextSize = 34;

// 1 when the integer view is (now) valid. A float converts only when
// allow_float is set, rounded half away from zero, and only when the
// rounded value lies within -2147483645 to 2147483645; the value then holds
// the integer alone (flags exactly 1, its string released). A float that is
// no finite number fails with its math error (MathDomain or MathOverflow)
// in the context. A text converts when it is leading spaces, signs and at least
// one digit and nothing else.
int ToInteger(ScriptContext* ctx, Value& v, bool allow_float);
// 1 when the string view is (now) valid: an integer gives flags 3, a float
// flags 34, with the text in a new heap block.
int ToString(ScriptContext* ctx, Value& v);
// 1 when the float view is (now) valid. A failed text conversion leaves no
// error in the context.
int ToFloat(ScriptContext* ctx, Value& v);
// The string branches of ToInteger and ToFloat for a text that need not be
// in the heap: the view read from it is added to v (its other fields are
// left alone).
int TextToInteger(const char* text, Value& v);
int TextToFloat(ScriptContext* ctx, const char* text, Value& v);

// ParseIntegerText, the lenient reading, is declared in
// host/context/integer_text.h.

// Writes n in the radix (2 to 36, digits 0-9 then A-Z) into text, which holds
// kIntegerTextSize bytes, and returns text. A radix out of range is taken as
// 10.
char* FormatInteger(std::int32_t n, char* text, int radix);
// Strict reading of a float text: 1 with the float in v.f (other fields
// untouched), 0 when the text is not wholly a number or a math error arose
// (its code is then in the context).
int ParseFloatText(ScriptContext* ctx, const char* text, Value& v);
// Writes the text form of f (9 significant digits and the Decimals setting)
// into text (kFloatTextSize bytes); 1, or 0 with an error in the context for
// a value that is no finite number.
int FormatFloat(ScriptContext* ctx, double f, char* text);

// Drops the string view of v: frees its heap block (once) and clears the
// string bit and the handle.
void ReleaseValue(ScriptContext* ctx, Value& v);

// The Value of a constant row (kind 3): float constants (0xF0F0F0nn), the
// string constants and the integer constants. 0 with Err::StringMemory
// when the heap has no room for a string constant.
int ConstantValue(ScriptContext* ctx, const KeywordEntry& row, Value& out);
// The float constant number n; 0.0 for a number outside the table.
double FloatConstant(int n);

// 1 when the text is blanks, an optional sign, digits, blanks and nothing
// else.
int IsIntegerText(const char* text);
// Reads a text in a radix from 2 to 36 (letters of either case are digits 10
// to 35): -1 for a bad radix, -2 for a character that is no digit of the
// radix, 0 for an empty text; wraps in 32 bits.
std::int32_t ParseRadixText(const char* text, int radix);
// b to the n by repeated multiplication (wrapping); n <= 0 gives 1.
std::int32_t IntegerPower(std::int32_t b, std::int32_t n);

} // namespace jol
