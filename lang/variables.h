// The variable table: the host-supplied array of named values of one
// script context.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/context/variable_index.h"
#include "lang/variable_entry.h"

namespace jol {

struct ScriptContext;
struct Value;

// Builds the lookup key of a name in key (31 bytes): the lower-cased name
// for names of at most 30 characters; longer names are folded into the key.
void FoldName(const char* name, char* key);

// Index of the entry in use that carries the name (lower-cased first), or
// -1. Sets no error.
int LookupVariable(ScriptContext* ctx, const char* name);

// Index of the variable with a value; -1 with Err::VarUndefined (unknown
// name) or Err::VarUnset (named but unset).
int find_var(ScriptContext* ctx, const char* name);

// The entry of a lower-case name mentioned in a script, created unset
// (flags 8, integer -1) when it is new. -1 with Err::VariableMemory when the table
// is full.
int MentionVariable(ScriptContext* ctx, const char* lower_name);

// LookupVariable, find_var and MentionVariable given a hint: the entry the
// name was last found in (-1: none). With the fast paths on, a hint entry
// that is in use, below the count and carries exactly this name is the
// answer without a search (no two entries in use carry one name); any
// other hint takes the search. A hint other than -1 may only be given for
// a name that is its own key (seven-bit characters without upper case, at
// most 30 of them), as the tokenizer's hints are. The results and errors
// are those of the calls without a hint.
int LookupVariableHinted(ScriptContext* ctx, const char* name, int hint);
int FindVarHinted(ScriptContext* ctx, const char* name, int hint);
int MentionVariableHinted(ScriptContext* ctx, const char* lower_name, int hint);

// The variable's text (string, decimal integer or formatted float) copied
// into buf. 1 on success, 0 when the name has no value; no error is left.
int GetVariableText(ScriptContext* ctx, const char* name, char* buf, std::size_t size);

// Sets a variable by name: type 1 an integer, type 2 a copy of the text (a
// null text gives the empty string); other types do nothing. Errors
// StringMemory (no heap block) and VariableMemory (table full).
void SetVariable(ScriptContext* ctx, const char* name, const char* text, std::int32_t integer,
                 int type);

// Stores a copy of v in the entry: the old value is released and the
// entry holds the integer 0 before the copy is made. An object value
// (flags 17) is handed over to the variable, v becoming a plain integer.
// Returns 1, or 0 with Err::StringMemory.
int AssignVariable(ScriptContext* ctx, int index, Value& v);

// The two steps of an assignment: ClearVariable releases the entry's
// object and string and leaves it holding the integer 0; StoreVariable
// copies v into it (a new heap block for the string: 0 with Err::StringMemory),
// hands an object value over to the variable and records the entry as the
// last one assigned.
void ClearVariable(ScriptContext* ctx, int index);
int StoreVariable(ScriptContext* ctx, int index, Value& v);

// Both steps at once where they release and copy nothing: an entry with no
// string or object taking a value with none. False, with nothing done, for
// any other entry or value.
bool AssignPlainValue(ScriptContext* ctx, int index, const Value& v);

// Removes the entry's value and name (the count shrinks when it was the
// last entry in use).
void DropVariable(ScriptContext* ctx, int index);

// Drop(name, ...) and IsDefined(name), called with the current token on
// the '(' that follows the keyword; on success the token after the ')' is
// the current token. Drop gives the integer 1, IsDefined 1 or 0.
int EvaluateDrop(ScriptContext* ctx, Value& result);
int EvaluateIsDefined(ScriptContext* ctx, Value& result);

} // namespace jol
