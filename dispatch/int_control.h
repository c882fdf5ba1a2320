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

// The script variable that opcode 12 sets for the host.
extern const char kExitWindowsVariable[]; // "exitwindowsmessage1873658"

// The number of diagnostic slots opcode 13 fills.
constexpr int kDiagnosticSlots = 11;

// Three requests are answered by the data functions above this layer, which
// define these (upward hooks):
//
// IntControl 30 (lib/data/file_functions.cpp): arranges the move of p1 to p2 (deletion when p2 is
// empty) at the next start. "1" when the system arranged it, "2" when the fallback did, "0"
// otherwise; errors RenameSourceMissing, RenameBadTarget (the target cannot be formed),
// RenameOtherDrive, FileMoveRoom.
const char* MoveAtNextStart(ScriptContext* ctx, const char* source, const char* target);
// IntControl 37 (lib/data/icon_replace.cpp): replaces icon number p3
// (counted from 1) of the program file p1 by the first image of the icon
// file p2. 1 when replaced; 0 with the error raised when not, the program
// file then unchanged.
int ReplaceIcon(ScriptContext* ctx, const char* program, const char* icon, std::int32_t number);
// IntControl 42 (lib/data/binary_buffers.cpp): the memory address of the
// buffer of a script handle, 0
// for any other number.
std::uintptr_t BinaryBufferAddress(ScriptContext* ctx, std::int64_t handle);

// The window opcodes (21, 22, 23, 25, 31, 36, 44, 47, 48) are answered by
// the window functions above this layer, which define this (upward hook;
// lib/desktop/window_functions.cpp): p[1] to p[4] the texts of the
// arguments. 1 with the result text in out, 0 with the error set.
int WindowOpcode(ScriptContext* ctx, std::int32_t opcode, const char* const* p, char* out,
                 std::size_t size);

// Gives every run option its initial value; nt_platform selects the
// console keystroke default.
void InitRunOptions(RunOptions& options, bool nt_platform);

// The handler of IntControl (args[1] the opcode as an integer, args[2] to
// args[5] the texts p1 to p4).
int FnIntControl(ScriptContext* ctx, int id, Value& result, Value* args);

// The module record of IntControl.
extern const Module kIntControlModule;

} // namespace jol
