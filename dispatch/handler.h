// The contract between the function dispatcher and the library's modules.
//
// A built-in function is a Function row of the keyword table
// (lang/keyword_table.cpp) and a handler that one module lists. A module
// publishes one record, a Module: its name, its functions (the script name,
// the handler, the traits) and its release step for the end of a context.
//
// Adding a module:
//  1. Write the handlers in the module's .cpp file, each as
//         int FnStrLen(ScriptContext* ctx, int id, Value& result, Value* args)
//     named Fn and the script function it serves (or the family, when one
//     handler serves several ids: FnMath, FnIniRead for IniRead and
//     IniReadPvt); a parameter the handler does not use stays unnamed.
//     List them in a constexpr ModuleFunction array, by the lower-case
//     script name as the keyword table spells it:
//         {"strlen", FnStrLen, trait::Pure | trait::ProgramCall},
//  2. Define the record there, declared extern in the module's header:
//         const Module kStringModule = MakeModule("strings", kFunctions);
//     with a release step when the module keeps something in the context
//     (see below):
//         MakeModule("binary buffers", kFunctions, FreeBinaryBuffers,
//                    ReleaseStage::AfterNotice)
//     A module whose functions are all pending still has a record when it
//     keeps something: MakeModule("dll calls", FreeLoadedDlls, stage).
//  3. Add &kStringModule to kModules in host/library_modules.cpp, at the
//     place its release step must take (the list's order is the release
//     order; the handlers do not depend on it).
//  4. Delete the names that now have a handler from
//     dispatch/pending_functions.txt. The Modules unit test fails, naming
//     them, until the list matches, when a listed name is no Function row,
//     and when two modules list the same name.
//
// Traits are promises the rest of the code relies on; give a function a
// trait only when it holds for every call, and leave it off when in doubt
// (a missing trait only keeps the function off a fast path or out of a
// test):
//   trait::Pure        the value depends on the arguments alone; nothing
//                      else is read or changed (no clock, file, setting,
//                      variable, box or memory block of the system).
//   trait::OwnContext  reads or changes nothing but the script's own
//                      context (its binary buffers, error settings and
//                      variables), so two runs from the same state agree.
//   trait::ShowsBox    shows a box (answered at once in quiet mode).
//   trait::ProgramCall an expression program may call it: it leaves the
//                      interpreter alone (runs no host code, assigns no
//                      variable, reads no token, shows no box, pumps no
//                      message), so nothing a program checked before its
//                      first step can change under it. Given to the
//                      functions the programs are tested with.
//
// The release step runs when the host releases the context (request 99)
// and frees what the module keeps in the context record: handles, memory
// blocks, loaded modules. It leaves the record's fields as a fresh context
// has them, so that a second release finds nothing to free. The steps run in the order of kModules,
// each at its stage: before the host is told the context ends (the notification -3), after it, or
// after the message pump that follows.
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

namespace trait {
constexpr unsigned Pure = 1u << 0;
constexpr unsigned OwnContext = 1u << 1;
constexpr unsigned ShowsBox = 1u << 2;
constexpr unsigned ProgramCall = 1u << 3;
} // namespace trait

// One function of a module: its script name (lower case, as in the keyword
// table), its handler and its traits.
struct ModuleFunction {
    const char* name;
    FunctionHandler handler;
    unsigned traits;
};

// When a module's release step runs within request 99.
enum class ReleaseStage {
    BeforeNotice, // before the host's notification -3
    AfterNotice,  // after it, before the message pump
    AfterPump,    // after the pump
};

// The record a library module publishes.
struct Module {
    const char* name;
    const ModuleFunction* functions;
    std::size_t count;
    void (*release)(ScriptContext* ctx); // null: the module keeps nothing
    ReleaseStage stage;
};

template <std::size_t N>
constexpr Module MakeModule(const char* name, const ModuleFunction (&functions)[N],
                            void (*release)(ScriptContext*) = nullptr,
                            ReleaseStage stage = ReleaseStage::AfterNotice) {
    return Module{name, functions, N, release, stage};
}
// A module that has no function built yet, only what it keeps.
constexpr Module MakeModule(const char* name, void (*release)(ScriptContext*), ReleaseStage stage) {
    return Module{name, nullptr, 0, release, stage};
}

// The modules of the library, in release order.
//
// Upward hook: the list names modules of every layer above the dispatcher,
// so the top of the library defines it (host/library_modules.cpp), as a
// program that embeds an interpreter chooses the libraries it opens.
const Module* const* LibraryModules(std::size_t* count);

// Runs the release steps of every module at this stage, in list order.
void ReleaseModules(ScriptContext* ctx, ReleaseStage stage);

// Helpers of the handlers. ArgText: the text of an argument, its string
// view or "" when it has none. ResultCopy: a copy of text as the string
// result; 1, or 0 with Err::StringMemory. A handler fails with
// "return Raise(ctx, Err::...);" (host/context/errors.h).
const char* ArgText(ScriptContext* ctx, const Value& v);
int ResultCopy(ScriptContext* ctx, Value& result, const char* text);

// The handler of a built-in function id (below 900); null when the id has
// none (structure words, commands, operators and functions not built).
FunctionHandler FindHandler(int id);
// The traits of a built-in function id; 0 when it has no handler.
unsigned FunctionTraits(int id);

} // namespace jol
