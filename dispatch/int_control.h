// IntControl: the script's switchboard for the interpreter's own run
// options (kept in ScriptContext::options) and for a few low-level
// operations. The first argument is an integer opcode, the other four
// arrive as strings; most opcodes replace one option and return its
// previous value, always as a string.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"

namespace jol {

struct RunOptions;
struct ScriptContext;

// Error codes of IntControl.
namespace icerr {
constexpr int BadDelimiter = 1407; // "IntControl 29: Invalid delimiter character"
constexpr int BadDataType = 1448;  // "IntControl 32: Invalid data type"
constexpr int BadShareMode = 1471; // "IntControl 39/40: Invalid share mode"
constexpr int NotBuilt = 3046;     // "Internal Error 3046. Function not defined"
constexpr int NoMemory = 3096;     // "Memory allocation failure.  Out of memory for strings"
constexpr int BadOpcode = 3171;    // "IntControl: Invalid IntControl opcode"
constexpr int HostStop = 9015;     // ends the script after the host call of opcode 8
} // namespace icerr

// The script variable that opcode 12 sets for the host.
extern const char kExitWindowsVariable[]; // "exitwindowsmessage1873658"

// The number of diagnostic slots opcode 13 fills.
constexpr int kDiagnosticSlots = 11;

// Two requests are answered by the data functions above this layer, which
// define these (upward hooks; lib/data/file_functions.cpp and
// lib/data/binary_buffers.cpp):
//
// IntControl 30: arranges the move of p1 to p2 (deletion when p2 is empty)
// at the next start. "1" when the system arranged it, "2" when the
// fallback did, "0" otherwise; errors 1426 (no source), 1427 (the target
// cannot be formed), 1428 (another drive), 1405 (no room).
const char* MoveAtNextStart(ScriptContext* ctx, const char* source, const char* target);
// IntControl 42: the memory address of the buffer of a script handle, 0
// for any other number.
std::uintptr_t BinaryBufferAddress(ScriptContext* ctx, std::int64_t handle);

// Gives every run option its initial value; nt_platform selects the
// console keystroke default.
void InitRunOptions(RunOptions& options, bool nt_platform);

// The handler of IntControl (args[1] the opcode as an integer, args[2] to
// args[5] the texts p1 to p4).
int FnIntControl(ScriptContext* ctx, int id, Value& result, Value* args);

// The handler rows of this module.
const HandlerRow* IntControlHandlers(std::size_t* count);

} // namespace jol
