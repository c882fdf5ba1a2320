// The state of one run over a script block and the steps that share it: the
// line fetch, the run loop, the execution of one line and of one statement,
// and the label search.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/script_context.h"

namespace jol {

// The line cursor of one run (a run and each called script have their own).
// All positions are offsets from the start of the script block.
struct RunCursor {
    plat::MemHandle block = 0;     // the script block: the text and a zero byte
    std::uint16_t text_length = 0; // bytes of text before the zero
    std::uint16_t line_start = 0;  // first non-blank byte of the line last fetched
    std::uint16_t next_offset = 0; // where the next fetch starts; jumps change it
    // The file the block was read from (Call); null for the host's block,
    // which the context's script name names.
    const char* file = nullptr;
};

constexpr std::uint16_t kMaxScriptText = 65520;

// Run results.
constexpr int kRunEnded = 1;     // the script reached its end
constexpr int kRunStopped = 0;   // EXIT, an error that stops, a cancel
constexpr int kRunReturned = -1; // RETURN found no GOSUB

// Copies the next line into line (at most size - 1 characters). 1: a line
// was fetched (it may be empty); 0: the script has ended, or a failure was
// reported.
int GetNextLine(ScriptContext* ctx, char* line, std::size_t size, RunCursor& cur);

// The run loop over the block from cur.next_offset; a run result.
int RunScript(ScriptContext* ctx, RunCursor& cur);

// Runs the statement of one line (statement_offset into line) and reports its
// error. 1 go on, 0 stop, -1 RETURN without GOSUB.
int ExecuteLine(ScriptContext* ctx, char* line, int statement_offset, RunCursor& cur,
                bool substituted);

// Runs the statement that starts at line + statement_offset. 1 go on, 0 stop
// (the ErrorCode says why; EXIT leaves 9000), -1 RETURN with no GOSUB. result
// receives the value of an expression statement. substituted: the line was
// changed by %name% substitution or comes from EXECUTE, so it is never
// rewritten with a jump record.
int ExecuteStatement(ScriptContext* ctx, Value& result, char* line, int statement_offset,
                     RunCursor& cur, bool substituted);

// Finds the label line and makes it the next line fetched; unless no_rewrite,
// writes a jump record over the GOTO/GOSUB statement at cur.line_start +
// statement_offset. 1, or 0 with 3032/3033.
int JumpToLabel(ScriptContext* ctx, const char* label, RunCursor& cur, int statement_offset,
                bool no_rewrite);

// Loads a script file into a block of its own and runs it; the run result, or
// 0 when the file cannot be loaded (reported).
int LoadScriptFile(ScriptContext* ctx, const char* path);

// Converts UTF-16 text (little-endian, an optional byte-order mark) in place
// to the system code page; the new length in bytes, or 0 on failure. The
// result is zero-terminated.
std::size_t ConvertUnicodeScript(ScriptContext* ctx, char* text, std::size_t capacity);

} // namespace jol
