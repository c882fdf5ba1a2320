// The run over a script block: loading a script file, the run loop and the
// execution of one line. The statement executor below it works with the
// line cursor of exec/script_run.h; the line fetch (GetNextLine, declared
// there) is defined in host/script_loader.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exec/script_run.h"
#include "host/context/script_context.h"

namespace jol {

constexpr std::uint16_t kMaxScriptText = 65520;

// The run loop over the block from cur.next_offset; a run result.
int RunScript(ScriptContext* ctx, RunCursor& cur);

// GetNextLine into a line buffer of kTextSize bytes, for the one case that
// needs no look at the block and raises nothing: the line that followed
// the last one fetched when it ran before, found in the block's bytes at
// the current change epoch. False, with nothing done, otherwise.
bool FetchFollowingLine(ScriptContext* ctx, char* line, RunCursor& cur);

// Runs the statement of one line (statement_offset into line) and reports its
// error. 1 go on, 0 stop, -1 RETURN without GOSUB.
int ExecuteLine(ScriptContext* ctx, char* line, int statement_offset, RunCursor& cur,
                bool substituted);

// Loads a script file into a block of its own and runs it; the run result, or
// 0 when the file cannot be loaded (reported).
int LoadScriptFile(ScriptContext* ctx, const char* path);

// Converts UTF-16 text (little-endian, an optional byte-order mark) in place
// to the system code page; the new length in bytes, or 0 on failure. The
// result is zero-terminated.
std::size_t ConvertUnicodeScript(ScriptContext* ctx, char* text, std::size_t capacity);

} // namespace jol
