// IntControl: the script's switchboard for the interpreter's own run
// options (kept in ScriptContext::options) and for a few low-level
// operations. The first argument is an integer opcode, the other four
// arrive as strings; most opcodes replace one option and return its
// previous value, always as a string.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

// The script variable that opcode 12 sets for the host.
extern const char kExitWindowsVariable[]; // "exitwindowsmessage1873658"

// The number of diagnostic slots opcode 13 fills.
constexpr int kDiagnosticSlots = 11;

// The handler of IntControl (args[1] the opcode as an integer, args[2] to
// args[5] the texts p1 to p4).
int FnIntControl(ScriptContext* ctx, int id, Value& result, Value* args);

// The handler rows of this module.
const HandlerRow* IntControlHandlers(std::size_t* count);

} // namespace jol
