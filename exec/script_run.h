// The state of one run over a script block as the statement executor sees
// it: the line cursor, the execution of one statement and the label search.
// The run loop and script loading that drive it live in host/script_run.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/context/script_context.h"
#include "platform/memory.h"

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

// Run results.
constexpr int kRunEnded = 1;     // the script reached its end
constexpr int kRunStopped = 0;   // EXIT, an error that stops, a cancel
constexpr int kRunReturned = -1; // RETURN found no GOSUB

// Copies the next line into line (at most size - 1 characters). 1: a line
// was fetched (it may be empty); 0: the script has ended, or a failure was
// reported.
//
// Upward hook: the line fetch belongs to script loading, above this layer
// (host/script_loader.cpp defines it); the label search declares it here
// because it reads the lines the same way the run loop does.
int GetNextLine(ScriptContext* ctx, char* line, std::size_t size, RunCursor& cur);

// Runs the statement that starts at line + statement_offset. 1 go on, 0 stop
// (the ErrorCode says why; EXIT leaves Err::StopExit), -1 RETURN with no GOSUB. result
// receives the value of an expression statement. substituted: the line was
// changed by %name% substitution or comes from EXECUTE, so it is never
// rewritten with a jump record.
int ExecuteStatement(ScriptContext* ctx, Value& result, char* line, int statement_offset,
                     RunCursor& cur, bool substituted);

// Finds the label line and makes it the next line fetched; unless no_rewrite,
// writes a jump record over the GOTO/GOSUB statement at cur.line_start +
// statement_offset. 1, or 0 with GotoNoLock or GotoLabelNotFound.
int JumpToLabel(ScriptContext* ctx, const char* label, RunCursor& cur, int statement_offset,
                bool no_rewrite);

} // namespace jol
