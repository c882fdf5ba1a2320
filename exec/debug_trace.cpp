// The debug trace. While debug mode is on the run loop calls DebugStep
// before each line; the step shows what the last statement did and asks
// whether to go on. A step nobody can be asked about (the dialog cannot be
// made) writes its texts to the system debugger and goes on.
#include "exec/debug_trace.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/boxes.h"
#include "platform/dialog_forms.h"
#include "platform/environment.h"
#include "platform/input.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr int kMsgEndOfJob = 805;
constexpr int kMsgUnknownVariable = 806;
constexpr int kMsgInitialized = 807;
constexpr int kMsgDebugData = 836;
constexpr int kMsgNextStatement = 133;
constexpr std::size_t kShownChars = 249;
constexpr int kStopMark = 10000;

constexpr unsigned char kGotoRecord = 0x9F;
constexpr unsigned char kGosubRecord = 0x9E;

// Trace words by statement kind: the word when true, when false, and
// whether the value follows.
struct TraceWord {
    int when_true;
    int when_false;
    bool value;
};
constexpr TraceWord kTraceWords[] = {
    {808, 808, true},  {809, 810, true},  {811, 811, false}, {812, 813, false}, {814, 814, false},
    {815, 815, true},  {816, 817, false}, {818, 819, false}, {820, 821, true},  {822, 823, false},
    {824, 825, false}, {826, 827, false}, {828, 829, true},
};

bool IsJumpRecord(const unsigned char* p) {
    if (*p != kGotoRecord && *p != kGosubRecord) return false;
    for (int i = 1; i < 5; ++i)
        if (p[i] < 0x40 || p[i] > 0x4F) return false;
    return true;
}

// The line as the user wrote it: a jump record shows as "goto " or
// "gosub" in its five bytes. At most max characters.
void DecodeLine(const char* line, char* out, std::size_t max) {
    const auto* p = reinterpret_cast<const unsigned char*>(line);
    std::size_t n = 0;
    while (*p && n < max) {
        if (IsJumpRecord(p)) {
            if (n + 5 > max) break;
            std::memcpy(out + n, *p == kGotoRecord ? "goto " : "gosub", 5);
            n += 5;
            p += 5;
            continue;
        }
        out[n++] = static_cast<char>(*p++);
    }
    out[n] = 0;
}

std::string Message(int id) {
    char text[kTextSize];
    LoadMessage(id, text, sizeof text);
    return text;
}

// The last statement's value as text, in double quotes when it is a
// string; made in a local buffer, without a block of the string heap.
std::string ValueText(ScriptContext* ctx, const Value& v) {
    if (v.flags & vf::String) {
        const char* s = v.str ? HeapText(ctx, v.str) : "";
        std::string t = "\"";
        t.append(s ? s : "", 0, kTextSize - 3);
        return t + "\"";
    }
    char text[kIntegerTextSize];
    if (v.flags & vf::Float) {
        FormatFloat(ctx, v.f, text);
        return text;
    }
    return FormatInteger(v.i, text, 10);
}

void Bounded(char* out, const std::string& s) {
    const std::size_t n = s.size() < kTextSize - 1 ? s.size() : kTextSize - 1;
    std::memcpy(out, s.data(), n);
    out[n] = 0;
}

struct ShowContext {
    ScriptContext* ctx;
};

// Show Var: the name typed up to the first "=" or blank, and its value.
// The lookup leaves the pending error of the run as it was.
std::string ShowVariable(void* user, const char* typed) {
    ScriptContext* ctx = static_cast<ShowContext*>(user)->ctx;
    std::string name;
    for (const char* p = typed; *p && *p != '=' && *p != ' ' && *p != '\t'; ++p)
        name += *p;
    const SavedError saved = SetErrorAside(ctx);
    char value[kTextSize];
    const bool found = !name.empty() && GetVariableText(ctx, name.c_str(), value, sizeof value);
    RestoreError(ctx, saved);
    if (found) return name + " = \"" + value + "\"";
    return name + " " + Message(kMsgUnknownVariable);
}

void TraceToDebugger(const DebugStepText& t) {
    for (const char* s : {t.last, t.trace, t.error, t.next}) {
        if (!*s) continue;
        plat::debug_output(s);
        plat::debug_output("\r\n");
    }
}

int FnDebug(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = ctx->debug_mode;
    const std::int32_t mode = args[1].i;
    ctx->debug_mode = mode > 0 ? 1 : mode < 0 ? -1 : 0;
    return 1;
}

int FnDebugData(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* a = ArgText(ctx, args[1]);
    const char* b = ArgText(ctx, args[2]);
    if (ctx->options.quiet) {
        ShowMessageBox(ctx, ctx->host_window, b, a, plat::mb::Ok);
    } else {
        plat::debug_output(Message(kMsgDebugData).c_str());
        plat::debug_output(a);
        plat::debug_output(" ");
        plat::debug_output(b);
        plat::debug_output("\n\r");
    }
    result.i = 1;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"debug", FnDebug, 0},
    {"debugdata", FnDebugData, 0},
};

} // namespace

void FormatEndOfJob(char* out, std::size_t out_size) {
    std::snprintf(out, out_size, ";;;%s;;;", Message(kMsgEndOfJob).c_str());
}

void ComposeDebugStep(ScriptContext* ctx, const char* next_line, DebugStepText* t) {
    if (!ctx->debug_line[0])
        CopyBounded(ctx, ctx->debug_line, MessageText(kMsgInitialized), sizeof ctx->debug_line);
    DecodeLine(ctx->debug_line, t->last, kShownChars);
    DecodeLine(next_line ? next_line : "", t->next, kTextSize - 1);

    const int kind = ctx->trace.kind;
    std::string trace;
    if (kind >= 0 && kind < static_cast<int>(sizeof kTraceWords / sizeof kTraceWords[0])) {
        const TraceWord& w = kTraceWords[kind];
        trace = Message(ctx->trace.truth ? w.when_true : w.when_false);
        // A single-line IF shows its value only when its branch ran.
        if (w.value && (kind != 1 || ctx->trace.truth))
            trace += " " + ValueText(ctx, ctx->last_result);
    }
    Bounded(t->trace, trace);

    t->error[0] = 0;
    int error = ctx->last_statement_error;
    if (error != 0) {
        const bool stop = error >= kStopMark;
        if (stop) error -= kStopMark;
        const bool extender = error == 1213 || error == 2214 || error == 3215 || error == 9013;
        const int word = extender ? (stop ? 830 : 831) : (stop ? 832 : 833);
        const int number = extender ? ctx->extended_error : error;
        Bounded(t->error, Message(word) + " " + std::to_string(number));
    }
}

int DebugStep(ScriptContext* ctx, const char* next_line) {
    if (ctx->trace.skip_at_start != 0 && ctx->debug_mode != -1) return 1;
    DebugStepText t;
    ComposeDebugStep(ctx, next_line, &t);
    const std::string labels[5] = {Message(126), Message(121), Message(127), Message(128),
                                   Message(kMsgNextStatement)};
    plat::DebugTexts texts;
    texts.last = t.last;
    texts.trace = t.trace;
    texts.error = t.error;
    texts.next = t.next;
    texts.next_label = labels[4].c_str();
    for (int i = 0; i < 4; ++i)
        texts.buttons[i] = labels[i].c_str();
    plat::Hwnd owner = plat::get_foreground_window();
    if (!owner) owner = ctx->host_window;
    ShowContext show{ctx};
    const plat::DebugChoice choice = plat::debug_step_dialog(
        owner, texts, &ctx->debug_rect, &ctx->debug_rect_set, ShowVariable, &show);
    plat::sleep_ms(20);
    PumpMessages(ctx);
    plat::set_cursor(ctx->current_cursor);
    switch (choice) {
    case plat::DebugChoice::Next:
        return 1;
    case plat::DebugChoice::Run:
        ctx->debug_mode = 0;
        return 1;
    case plat::DebugChoice::Cancel:
        return 0;
    case plat::DebugChoice::Failed:
        break;
    }
    TraceToDebugger(t);
    return 1;
}

const Module kDebugModule = MakeModule("debug trace", kFunctions);

} // namespace jol
