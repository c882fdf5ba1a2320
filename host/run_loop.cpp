// The run loop: one line after another out of a script block, with the
// message pump and the cancel test between lines, %name% substitution,
// labels, the line trace and notifications, and the execution and error
// report of each statement.
#include <cstring>

#include "dispatch/object_calls.h"
#include "exec/debug_trace.h"
#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/script_run.h"
#include "lang/conversion.h"
#include "lang/fast/change_epoch.h"
#include "lang/fast/line_cache.h"
#include "lang/tokenizer.h"
#include "platform/environment.h"

namespace jol {
namespace {

constexpr int kMsgCancelTitle = 192; // "Execution ended"
constexpr int kMsgCancelBody = 193;  // "Execution terminated by user request or error"
constexpr std::uint32_t kHookLines = 2;

bool Skipping(const ScriptContext* ctx) {
    const StructureStack& s = ctx->structures;
    return s.depth > 0 && s.depth <= kStructureDepth && s.records[s.depth - 1].state != 0;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Offset of the statement in a line: after a leading label and the blanks
// that follow it.
int StatementOffset(const char* line) {
    int i = 0;
    if (line[0] == ':') {
        while (line[i] && !IsBlank(line[i]))
            ++i;
        while (IsBlank(line[i]))
            ++i;
    }
    return i;
}

void TraceLine(const char* line) {
    plat::debug_output(">>>>>");
    plat::debug_output(line);
    plat::debug_output("<<<<<");
    plat::debug_output("\r\n");
}

void NotifyLine(ScriptContext* ctx, const RunCursor& cur) {
    static const char kLineText[] = "2";
    static const char kEmpty[] = "";
    const ExtArg args[5] = {reinterpret_cast<ExtArg>(kLineText), static_cast<ExtArg>(cur.block),
                            static_cast<ExtArg>(cur.line_start),
                            static_cast<ExtArg>(ctx->last_assigned_var),
                            reinterpret_cast<ExtArg>(kEmpty)};
    NotifyHost(ctx, notify::Poll, args);
}

// A fetch that ended the script because a line could not be fetched
// (reported already): the run stops instead of ending.
bool FetchFailed(const ScriptContext* ctx) {
    return ErrorIs(ctx, Err::ScriptNoLock) || ErrorIs(ctx, Err::LineTooLong);
}

// Between two statements the code of an error the previous one ignored
// (@off) is still pending; the next statement clears it, and the run
// leaves it when none follows. A fetch or a substitution that fails before
// that raises its own code in its place.
int FetchLine(ScriptContext* ctx, char* line, RunCursor& cur) {
    if (FetchFollowingLine(ctx, line, cur)) return 1;
    const SavedError previous = SetErrorAside(ctx);
    const int got = GetNextLine(ctx, line, kTextSize, cur);
    RestoreUnlessRaised(ctx, previous);
    return got;
}

int SubstituteLine(ScriptContext* ctx, char* line) {
    const SavedError previous = SetErrorAside(ctx);
    const int r = SubstituteVariables(ctx, line);
    RestoreUnlessRaised(ctx, previous);
    return r;
}

// The cancel test before a line. True when the run must end.
bool Cancelled(ScriptContext* ctx) {
    if (!ctx->cancel) return false;
    if (ctx->report_cancel && !(ctx->options.termination_flags & termination::NoCancelBox)) {
        ReportError(ctx, ctx->host_window, kMsgCancelBody, kMsgCancelTitle, kSeverityFatal);
        // Enclosing runs of called scripts end silently: the cancel has
        // been reported once.
        ctx->report_cancel = 0;
    }
    ForgetStop(ctx); // a cancel is no error
    return true;
}

// Releases the value the last statement left; most hold no string and
// need nothing done.
inline void ReleaseLastResult(ScriptContext* ctx) {
    Value& v = ctx->last_result;
    if (v.str || (v.flags & vf::String)) ReleaseValue(ctx, v);
}

} // namespace

int ExecuteLine(ScriptContext* ctx, char* line, int statement_offset, RunCursor& cur,
                bool substituted) {
    Value result;
    result.flags = vf::Integer;
    result.i = 0;
    if (ctx->debug_mode) {
        if (!DebugStep(ctx, line)) {
            ReleaseLastResult(ctx);
            return 0;
        }
        CopyBounded(ctx, ctx->debug_line, line, sizeof ctx->debug_line);
    } else {
        ctx->debug_line[0] = 0;
    }
    ReleaseLastResult(ctx);
    ctx->trace.kind = 0;
    ctx->trace.skip_at_start = 0;
    ClearError(ctx);
    ctx->token.cursor = line + statement_offset;

    int r = ExecuteStatement(ctx, result, line, statement_offset, cur, substituted);
    if (result.flags == kObjectValueFlags) {
        // An object the statement made and nobody took goes; a copy read
        // from a variable leaves the variable's object alone.
        if (OwnsObject(result)) {
            const SavedError saved = SetErrorAside(ctx);
            ReleaseObjectHandle(ctx, result.i);
            RestoreUnlessRaised(ctx, saved);
        }
        result.flags = vf::Integer;
    }

    ctx->last_result = result;
    ctx->last_statement_error = ctx->error_code;
    const int code = ctx->error_code;
    if (IsStopCode(code)) r = 0;
    if (code == ErrNumber(Err::StopCancel)) {
        // A cancelled dialog goes on at the label :CANCEL when the script
        // has one.
        ClearError(ctx);
        if (JumpToLabel(ctx, "CANCEL", cur, statement_offset, true) && !HasError(ctx)) {
            r = 1;
        } else {
            // Whatever the search raised, the cancel ends the run.
            ReplaceError(ctx, Err::StopCancel);
            r = 0;
        }
    } else if (code >= 1 && !IsStopCode(code)) {
        CopyBounded(ctx, ctx->error_body, line, sizeof ctx->error_body);
        r = ReportError(ctx, ctx->host_window, 1, code, ErrorSeverity(code));
    }
    if (r != 0) return r;
    // The run stops: the step shows the end of the job with the error.
    if (ctx->debug_mode && (ctx->error_code < kStopFirst || ErrorIs(ctx, Err::StopReported))) {
        char end[kTextSize];
        FormatEndOfJob(end, sizeof end);
        ctx->last_statement_error = static_cast<std::int16_t>(ctx->last_statement_error + 10000);
        DebugStep(ctx, end);
    }
    ReleaseLastResult(ctx);
    return 0;
}

int RunScript(ScriptContext* ctx, RunCursor& cur) {
    // Whoever handed over the block may have written it just before.
    NoteChange();
    char line[kTextSize];
    char* const outer_line = ctx->current_line;
    ctx->current_line = line;
    const RunCursor* const outer_run = ctx->run;
    ctx->run = &cur;
    // The line cache binding of the run that called this one (Call) is
    // given back at the end.
    CachedLine* const outer_cached = ctx->token.cached_line;
    const char* const outer_base = ctx->token.cached_base;
    const std::uint32_t outer_stamp = ctx->token.cached_stamp;
    ctx->token.cached_line = nullptr;
    // The line cache is the thread's and ends with it; a context may run
    // on another thread the next time, so a run that no other run called
    // starts with no line fetched.
    if (!outer_run) NoteFetchedLine(ctx, nullptr, nullptr);

    int result = kRunEnded;
    static_assert(sizeof line == kTextSize);
    if (FetchLine(ctx, line, cur)) {
        for (;;) {
            result = kRunReturned;
            PumpBetweenLines(ctx);
            if (Cancelled(ctx)) {
                result = kRunStopped;
                break;
            }
            if (!line[0] || line[0] == ';') {
                result = kRunEnded;
            } else {
                const int subst = FetchedLineIsPlain(ctx, line) ? 1 : SubstituteLine(ctx, line);
                if (!subst) {
                    if (!Skipping(ctx)) {
                        CopyBounded(ctx, ctx->error_body, line, sizeof ctx->error_body);
                        ReportError(ctx, ctx->host_window, 1, ctx->error_code, kSeverityFatal);
                        result = kRunStopped;
                        break;
                    }
                    ClearError(ctx); // the unsubstituted line of a skipped block goes on
                }
                const int offset = StatementOffset(line);
                if (!line[offset] || line[offset] == ';') {
                    result = kRunEnded;
                } else {
                    if (ctx->options.line_trace && !ctx->options.quiet) TraceLine(line);
                    ctx->current_line_start = cur.line_start;
                    if (ctx->hook_flags & kHookLines) NotifyLine(ctx, cur);
                    // A line as it was fetched reads its tokens through the
                    // line cache.
                    if (subst == 1) BindLineTokens(ctx, line);
                    result = ExecuteLine(ctx, line, offset, cur, subst == 2);
                    UnbindLineTokens(ctx);
                    if (result != kRunEnded) break;
                }
            }
            if (!FetchLine(ctx, line, cur)) {
                if (FetchFailed(ctx)) result = kRunStopped;
                break;
            }
        }
    } else if (FetchFailed(ctx)) {
        result = kRunStopped;
    }
    if (result == kRunEnded && ctx->debug_mode) {
        FormatEndOfJob(line, sizeof line);
        DebugStep(ctx, line);
    }
    // Whatever the last statement left is released when its run ends, so
    // that no string outlives the run that made it.
    ReleaseLastResult(ctx);
    ctx->last_run.error = ctx->error_code;
    ctx->last_run.result = result;
    ctx->last_run.line_start = cur.line_start;
    ctx->current_line = outer_line;
    ctx->run = outer_run;
    ctx->token.cached_line = outer_cached;
    ctx->token.cached_base = outer_base;
    ctx->token.cached_stamp = outer_stamp;
    return result;
}

} // namespace jol
