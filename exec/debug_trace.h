// The debug trace: single-stepping a script (Debug), the step shown before
// each line while it is on, and DebugData's texts for the system debugger.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"
#include "host/context/text_sizes.h"

namespace jol {

struct ScriptContext;

extern const Module kDebugModule;

// The texts of a step: the statement executed last, its trace word and
// value, its error word and number (empty when none) and the statement
// about to run.
struct DebugStepText {
    char last[kTextSize];
    char trace[kTextSize];
    char error[kTextSize];
    char next[kTextSize];
};

// Fills the texts of the step before next_line from the context's trace
// state.
void ComposeDebugStep(ScriptContext* ctx, const char* next_line, DebugStepText* out);

// Shows the step before the line about to run. 1 to go on, 0 to stop the
// script (Cancel).
int DebugStep(ScriptContext* ctx, const char* next_line);

// The END OF JOB line the step shows when a run ends or stops, cut to 256
// characters (the message may be a translation of any length).
void FormatEndOfJob(char* out, std::size_t out_size);

} // namespace jol
