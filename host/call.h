// The script function Call, which runs another script file in the same
// context, and the parameter split it shares with ParseData.
#pragma once

#include "dispatch/handler.h"
#include "host/context/script_context.h"

namespace jol {

constexpr int kMaxCallDepth = 6;
constexpr std::uint16_t kCallFrameCode = 158;

// Splits text into parameters and stores them as Param0 (the integer
// count) and Param1, Param2, ... (strings). Blanks (space, tab) outside
// quotes separate parameters; a double quote, an apostrophe or a grave
// accent opens a quoted stretch up to the next same quote, in which that
// quote written twice stands for itself. Parameters longer than 256 bytes
// are cut. Returns the count, or -1 with the error of a variable that
// could not be set (StringMemory, VariableMemory).
int StoreParameters(ScriptContext* ctx, const char* text);

// Call(file, parameters): runs the script file with the parameters in
// Param0..ParamN and returns when it ends. 1 when the calling script may
// go on (also when the file could not be loaded, which has been reported),
// 0 with the ErrorCode: CallTooDeep (more than 6 nested calls),
// CallNotFound, StructureTooDeep (structure stack full), StopReported (the
// called script stopped on an error or EXIT, already reported) or
// StopCancel.
int CallScript(ScriptContext* ctx, const char* file, const char* params);

// The module record of Call.
extern const Module kCallModule;

} // namespace jol
