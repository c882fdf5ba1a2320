// The keyword table of the language: every operator, punctuation mark,
// constant, built-in function, command word and structure word, sorted by
// name, with the lookup that the tokenizer uses over the built-in rows, the
// host's rows and the extender rows of a context.
#pragma once

#include <cstdint>

#include "host/context/script_context.h"
#include "lang/keyword_entry.h"

namespace jol {

// Kinds of keyword rows (the low bits of KeywordEntry::kind).
namespace kind {
constexpr std::uint16_t Operator = 0;   // operator or punctuation
constexpr std::uint16_t Unary = 1;      // operator that is also unary
constexpr std::uint16_t Function = 2;   // built-in function
constexpr std::uint16_t Constant = 3;   // @ constant
constexpr std::uint16_t Command = 4;    // command word used without parentheses
constexpr std::uint16_t Comparison = 5; // comparison operator
constexpr std::uint16_t VarNames = 6;   // takes variable names as arguments
constexpr std::uint16_t Structure = 8;  // structure word
constexpr std::uint16_t Disabled = 0x2000;
} // namespace kind

// Named keyword ids.
namespace kw {
// operators and punctuation
constexpr int Not = 0;           // !
constexpr int NotEqual = 1;      // !=
constexpr int BitAnd = 2;        // &
constexpr int And = 3;           // &&
constexpr int LParen = 4;        // (
constexpr int RParen = 5;        // )
constexpr int Multiply = 6;      // *
constexpr int Power = 7;         // **
constexpr int Plus = 8;          // +
constexpr int Comma = 9;         // ,
constexpr int Minus = 10;        // -
constexpr int Divide = 11;       // /
constexpr int Colon = 12;        // :
constexpr int Less = 13;         // <
constexpr int ShiftLeft = 14;    // <<
constexpr int LessEqual = 15;    // <=
constexpr int LessGreater = 16;  // <>
constexpr int Assign = 17;       // =
constexpr int Equal = 18;        // ==
constexpr int Greater = 19;      // >
constexpr int GreaterEqual = 20; // >=
constexpr int ShiftRight = 21;   // >>
constexpr int DdeServer = 22;    // ?deserver
constexpr int ObjectRef = 23;    // ?oleobject: the object-reference keyword
constexpr int BitXor = 111;      // ^
constexpr int Mod = 299;         // mod
constexpr int BitOr = 450;       // |
constexpr int Or = 451;          // ||
constexpr int BitNot = 452;      // ~
// the constants occupy ids FirstConstant to LastConstant
constexpr int FirstConstant = 24;
constexpr int LastConstant = 110;
// command words
constexpr int Beep = 127;
constexpr int Execute = 219;
constexpr int Exit = 221;
constexpr int Goto = 261;
constexpr int Yield = 448;
// words that take variable names
constexpr int Drop = 205;
constexpr int IsDefined = 277;
// structure words
constexpr int Break = 155;
constexpr int By = 157;
constexpr int Case = 159;
constexpr int Continue = 165;
constexpr int Else = 206;
constexpr int End = 207;
constexpr int EndFor = 208;
constexpr int EndIf = 209;
constexpr int EndSelect = 211;
constexpr int EndSwitch = 212;
constexpr int EndWhile = 213;
constexpr int For = 257;
constexpr int Gosub = 260;
constexpr int If = 264;
constexpr int Next = 307;
constexpr int Return = 343;
constexpr int Select = 355;
constexpr int Switch = 388;
constexpr int Then = 395;
constexpr int To = 406;
constexpr int While = 411;
// id ranges
constexpr int LastBuiltin = 452;
constexpr int HostBase = 900; // row (id - 900) of the host's table
constexpr int HostLast = 1899;
constexpr int ExtenderBase = 3000; // row (id - 3000) of the extender rows
constexpr int ExtenderLast = 3200;
} // namespace kw

// The built-in rows in id order (ids ascend, not every id below 453 is
// used). The rows are process-wide; only the disabled bit changes.
const KeywordEntry* BuiltinKeywords();
int BuiltinKeywordCount();
// The same rows, writable, for setting and clearing the disabled bit.
KeywordEntry* WritableBuiltinKeywords();

// The row of any keyword id: built-in (below 900), host (900 to 1899) or
// extender (3000 to 3200). Null when the id names no row.
const KeywordEntry* KeywordRow(ScriptContext* ctx, int id);

// The built-in row of exactly this lower-case name, or null.
const KeywordEntry* FindBuiltinKeyword(const char* lower_name);
// The id (900 + row) of the host's row of exactly this lower-case name, as
// a script reaching it by name would call it; -1 when the run's host table
// has none.
int FindHostKeyword(const ScriptContext* ctx, const char* lower_name);

// Finds the longest keyword that starts at ctx->token.cursor. On success
// stores its id in ctx->token.id and returns 1; returns 0 when none
// matches. Does not move the cursor.
// In identifier mode a match must not run on into a name character, the
// object-reference form name.member gives kw::ObjectRef, and the host rows
// are searched too.
int LookupKeyword(ScriptContext* ctx, bool identifier_mode);

// Fills the 129-entry first-character index of a table sorted by first
// character: entry c is the position of the first row whose name begins
// with a character >= c. Returns the faults found on the way (the build
// goes on regardless): kIndexOrderFault when a first character decreases,
// kIndexIdFault when an id does not ascend or is not below 900.
constexpr int kIndexOrderFault = 1;
constexpr int kIndexIdFault = 2;
int BuildFirstCharIndex(const KeywordEntry* rows, int count, std::int32_t* index);

// Fields of a row's 4-byte value.
inline std::uint32_t RowValue(const KeywordEntry& row) {
    return static_cast<std::uint32_t>(row.value[0]) |
           (static_cast<std::uint32_t>(row.value[1]) << 8) |
           (static_cast<std::uint32_t>(row.value[2]) << 16) |
           (static_cast<std::uint32_t>(row.value[3]) << 24);
}
inline int RowKind(const KeywordEntry& row) {
    return row.kind & ~kind::Disabled;
}
inline bool RowDisabled(const KeywordEntry& row) {
    return (row.kind & kind::Disabled) != 0;
}
// Function rows: argument count (100 = variable list) and the bit sets of
// the arguments converted to strings and to floats (bit 0 = first).
constexpr int kVariableArgs = 100;
inline int RowArgCount(const KeywordEntry& row) {
    return row.value[0];
}
inline unsigned RowStringArgs(const KeywordEntry& row) {
    return row.value[2];
}
inline unsigned RowFloatArgs(const KeywordEntry& row) {
    return row.value[3];
}

// Constant rows: the value is a float constant number, a string constant
// number or a plain integer.
enum class ConstantForm { Integer, Float, String };
inline ConstantForm RowConstantForm(const KeywordEntry& row) {
    std::uint32_t v = RowValue(row) & 0xFFFFFF00u;
    if (v == 0xF0F0F000u) return ConstantForm::Float;
    if (v == 0xFFF0F000u) return ConstantForm::String;
    return ConstantForm::Integer;
}
inline int RowConstantNumber(const KeywordEntry& row) {
    return static_cast<int>(RowValue(row) & 31u);
}
inline std::int32_t RowInteger(const KeywordEntry& row) {
    return static_cast<std::int32_t>(RowValue(row));
}
// Text of string constant number n: 0 CR LF, 1 tab, 2 CR, 3 LF, else "".
const char* StringConstantText(int n);

} // namespace jol
