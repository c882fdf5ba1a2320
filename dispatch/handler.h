// The contract between the function dispatcher and the handlers of the
// built-in functions.
//
// A handler receives the context, the function's keyword id (one handler
// may serve several ids), the result slot and the six argument slots
// (args[0] is a spare the handler may use as scratch, args[1..5] hold the
// arguments, already converted as the function's keyword row prescribes:
// string arguments carry a string view in the heap, read with HeapText;
// integer arguments their integer view; float arguments their float view).
//
// Before the call the result is the integer 0. A handler that returns an
// integer writes result.i; a float writes result.f and sets the flags to
// vf::Float; a string allocates it in the string heap (HeapCopyText or
// VMalloc), stores the handle in result.str and sets the flags to exactly
// vf::String. Failure is reported by raising an error code (the result is
// normally left as it is). The dispatcher frees the argument strings after
// the call: a handler never frees them itself.
#pragma once

#include <cstddef>

#include "lang/value.h"

namespace jol {

struct ScriptContext;

using FunctionHandler = int (*)(ScriptContext* ctx, int id, Value& result, Value* args);

// One row of a library module's handler list.
struct HandlerRow {
    int id;
    FunctionHandler handler;
};

// Each library module publishes its rows through a function of this shape,
// listed once in host/library_modules.cpp.
using HandlerList = const HandlerRow* (*)(std::size_t* count);

// The handler lists of all the library's modules, in the order their rows
// are entered (a later row for an id replaces an earlier one).
//
// Upward hook: the list names modules of every layer above the dispatcher,
// so the top of the library defines it (host/library_modules.cpp), as a
// program that embeds an interpreter chooses the libraries it opens.
const HandlerList* LibraryModules(std::size_t* count);

// Helpers of the handlers. ArgText: the text of an argument, its string
// view or "" when it has none. ResultCopy: a copy of text as the string
// result; 1, or 0 with Err::StringMemory. A handler fails with
// "return Raise(ctx, Err::...);" (host/context/errors.h).
const char* ArgText(ScriptContext* ctx, const Value& v);
int ResultCopy(ScriptContext* ctx, Value& result, const char* text);

// A function name (lower case, as in the keyword table) and its handler;
// BuildHandlerRows turns such a list into handler rows by looking the ids up
// in the keyword table (names not found are left out) and returns the
// number of rows written (out has room for count rows).
struct NamedHandler {
    const char* name;
    FunctionHandler handler;
};
std::size_t BuildHandlerRows(const NamedHandler* named, std::size_t count, HandlerRow* out);

// The handler rows of a module's named list, built once:
//   static const HandlerRows rows(kNamed);
//   return rows.Get(count);
template <std::size_t N> class HandlerRows {
public:
    explicit HandlerRows(const NamedHandler (&named)[N])
        : rows_{}, count_(BuildHandlerRows(named, N, rows_)) {}
    const HandlerRow* Get(std::size_t* count) const {
        if (count) *count = count_;
        return rows_;
    }

private:
    HandlerRow rows_[N];
    std::size_t count_;
};

// The handler of a built-in function id (below 900); null when the id has
// none (structure words, commands, operators and functions not built).
FunctionHandler FindHandler(int id);

} // namespace jol
