// Call: another script file run inside the same context, sharing its
// variables, string heap, open files and error mode; and the parameter
// split that Call and ParseData share.
#include "host/call.h"

#include <cstdio>
#include <cstring>

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/script_run.h"
#include "lang/variables.h"
#include "platform/file_system.h"

namespace jol {
namespace {

constexpr std::uint32_t kHookCalls = 4;
constexpr std::size_t kParamMax = kTextSize - 1;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsQuote(char c) {
    return c == '"' || c == '\'' || c == '`';
}

// Collects one parameter, cut at kParamMax bytes without splitting a
// double-byte character.
class ParamText {
public:
    void Append(const char* p, int bytes) {
        if (full_ || len_ + static_cast<std::size_t>(bytes) > kParamMax) {
            full_ = true;
            return;
        }
        std::memcpy(text_ + len_, p, static_cast<std::size_t>(bytes));
        len_ += static_cast<std::size_t>(bytes);
    }
    const char* Finish() {
        text_[len_] = 0;
        return text_;
    }

private:
    char text_[kTextSize];
    std::size_t len_ = 0;
    bool full_ = false;
};

bool SetParam(ScriptContext* ctx, int n, const char* text) {
    char name[16];
    std::snprintf(name, sizeof name, "param%d", n);
    SetVariable(ctx, name, text, n, text ? 2 : 1);
    return ctx->error_code == 0;
}

void NotifyCall(ScriptContext* ctx, ExtArg value) {
    if (!(ctx->hook_flags & kHookCalls)) return;
    static const char kEmpty[] = "";
    const ExtArg empty = reinterpret_cast<ExtArg>(kEmpty);
    const ExtArg args[5] = {value, empty, empty, empty, empty};
    NotifyHost(ctx, notify::CallStartEnd, args);
}

} // namespace

int StoreParameters(ScriptContext* ctx, const char* text) {
    if (!SetParam(ctx, 0, nullptr)) return -1;
    const char* p = text ? text : "";
    while (IsBlank(*p))
        ++p;
    int count = 0;
    while (*p) {
        ParamText param;
        while (*p && !IsBlank(*p)) {
            if (!IsQuote(*p)) {
                const int step = CharBytes(p);
                param.Append(p, step);
                p += step;
                continue;
            }
            const char quote = *p++;
            while (*p) {
                if (*p == quote) {
                    if (p[1] != quote) {
                        ++p; // the closing quote
                        break;
                    }
                    param.Append(p, 1);
                    p += 2;
                    continue;
                }
                const int step = CharBytes(p);
                param.Append(p, step);
                p += step;
            }
        }
        ++count;
        if (!SetParam(ctx, count, param.Finish())) return -1;
        while (IsBlank(*p))
            ++p;
    }
    // Param0 ends up the count, an integer like the others' index.
    SetVariable(ctx, "param0", nullptr, count, 1);
    return ctx->error_code ? -1 : count;
}

int CallScript(ScriptContext* ctx, const char* file, const char* params) {
    if (++ctx->call_depth > kMaxCallDepth) {
        --ctx->call_depth;
        return Raise(ctx, Err::CallTooDeep);
    }
    char* const caller_line = ctx->current_line;
    const TokenState caller_token = ctx->token;

    if (StoreParameters(ctx, params) < 0 ||
        !plat::find_file(file, ctx->scratch_path, sizeof ctx->scratch_path)) {
        Raise(ctx, Err::CallNotFound);
        --ctx->call_depth;
        return 0;
    }
    // The frame is refused, and nothing written, when the stack is full.
    StructureStack& stack = ctx->structures;
    if (stack.depth < 0 || stack.depth >= kStructureDepth) {
        Raise(ctx, Err::StructureTooDeep);
        --ctx->call_depth;
        return 0;
    }
    const std::int32_t frame_depth = stack.depth;
    stack.records[frame_depth] = StructureRecord{kCallFrameCode, 0, 0, 0};
    stack.depth = frame_depth + 1;

    NotifyCall(ctx, 1);
    // The called script may use the path buffer for its own searches.
    char path[kPathSize];
    CopyBounded(ctx, path, ctx->scratch_path, sizeof path);
    const std::int32_t caller_if = ctx->last_if;

    const int r = LoadScriptFile(ctx, path);

    ctx->last_if = caller_if;
    ctx->current_line = caller_line;
    ctx->token = caller_token;
    const std::int32_t left = stack.depth < kStructureDepth ? stack.depth : kStructureDepth;
    for (std::int32_t i = frame_depth; i < left; ++i)
        stack.records[i] = StructureRecord{};
    stack.depth = frame_depth;
    --ctx->call_depth;

    ExtArg outcome = 0;
    if (r != 0) {
        // An error the called script went on past (ignored with @off) has
        // been dealt with there.
        ClearError(ctx);
    } else if (!HasError(ctx)) {
        // A script that could not be loaded (reported) or a cancel: the
        // calling script goes on, so nothing has stopped it yet.
        ForgetStop(ctx);
    } else if (!ErrorIs(ctx, Err::StopCancel)) {
        // The called script reported its error (or ended with EXIT): the
        // callers stop without a second report.
        ReplaceError(ctx, Err::StopReported);
        outcome = -1;
    }
    NotifyCall(ctx, outcome);
    return ctx->error_code == 0;
}

namespace {

int FnCall(ScriptContext* ctx, int, Value&, Value* args) {
    return CallScript(ctx, ArgText(ctx, args[1]), ArgText(ctx, args[2]));
}

constexpr ModuleFunction kFunctions[] = {
    {"call", FnCall, 0},
};

} // namespace

const Module kCallModule = MakeModule("call", kFunctions);

} // namespace jol
