#include "exec/error_report.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "exec/script_run.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "lang/fast/change_epoch.h"
#include "platform/boxes.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/sound.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr std::size_t kBodyKeep = 157; // characters of the body kept before the footer
constexpr std::size_t kTextChars = kTextSize - 1;
constexpr std::size_t kLogNameChars = sizeof(RunOptions::quiet_log) - 1;

// Cuts text to at most max_bytes bytes without splitting a double-byte
// character.
void CutText(char* text, std::size_t max_bytes) {
    std::size_t at = 0;
    while (text[at]) {
        std::size_t step = static_cast<std::size_t>(CharBytes(text + at));
        if (at + step > max_bytes) break;
        at += step;
    }
    text[at] = 0;
}

// Adds the footer under the body: the script name and the library version.
void AddBodyFooter(ScriptContext* ctx) {
    char* body = ctx->error_body;
    body[kTextChars] = 0;
    CutText(body, kBodyKeep);
    char* version_label = ctx->message_scratch[0];
    char* version = ctx->message_scratch[1];
    LoadMessage(ctx, msg::VersionLabel, version_label, kTextSize);
    LoadMessage(ctx, msg::Version, version, kTextSize);
    ctx->script_name[kTextChars] = 0;
    AppendBounded(ctx, body, "\n\n", kTextSize);
    AppendBounded(ctx, body, ctx->script_name, kTextSize);
    AppendBounded(ctx, body, "\n", kTextSize);
    AppendBounded(ctx, body, version_label, kTextSize);
    AppendBounded(ctx, body, " ", kTextSize);
    AppendBounded(ctx, body, version, kTextSize);
}

// Writes one quiet-mode entry to the log file; false when it is lost.
bool WriteLogEntry(ScriptContext* ctx, const char* log, const char* text, const char* title) {
    char window_title[kTextSize];
    plat::get_window_text(ctx->host_parent, window_title, sizeof window_title);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (const std::tm* t = std::localtime(&now)) local = *t;
    char stamp[64 + kTextSize];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d  %02d:%02d:%02d  %s", local.tm_mon + 1,
                  local.tm_mday, local.tm_year % 100, local.tm_hour, local.tm_min, local.tm_sec,
                  window_title);

    static const char kLineEnd[] = "\r\n";
    static const char kSeparator[] = "\r\n<HR>\r\n\r\n";
    const std::size_t title_len = std::strlen(title);
    const std::size_t text_len = std::strlen(text);
    const std::size_t total = std::strlen(stamp) + 4 + (title_len ? title_len + 2 : 0) + 2 +
                              (text_len ? text_len + 2 : 0) + sizeof kSeparator - 1;
    // The body may be longer than any fixed buffer: the entry is built in a
    // memory block of its own.
    plat::MemHandle block = plat::mem_alloc(total + 1);
    char* entry = block ? static_cast<char*>(plat::mem_lock(block)) : nullptr;
    if (!entry) {
        if (block) plat::mem_free(block);
        return false;
    }
    std::size_t at = 0;
    auto put = [&](const char* s, std::size_t n) {
        std::memcpy(entry + at, s, n);
        at += n;
    };
    put(stamp, std::strlen(stamp));
    put("\r\n\r\n", 4);
    if (title_len) {
        put(title, title_len);
        put(kLineEnd, 2);
    }
    put(kLineEnd, 2);
    if (text_len) {
        put(text, text_len);
        put(kLineEnd, 2);
    }
    put(kSeparator, sizeof kSeparator - 1);
    bool ok = plat::append_to_file(log, entry, at);
    plat::mem_unlock(block);
    plat::mem_free(block);
    return ok;
}

constexpr unsigned char kCtrlZ = 26;
constexpr unsigned char kGotoRecord = 0x9F;
constexpr unsigned char kGosubRecord = 0x9E;

bool IsJumpRecord(const unsigned char* p, std::size_t left) {
    if (left < 5 || (p[0] != kGotoRecord && p[0] != kGosubRecord)) return false;
    for (int i = 1; i < 5; ++i)
        if (p[i] < 0x40 || p[i] > 0x4F) return false;
    return true;
}

// The number of the line that starts at cur.line_start (lines end with a
// carriage return or a Ctrl+Z, as the line fetch ends them) and its text
// as the script holds it, a jump record written over its GOTO or GOSUB
// read as the word again.
void FindStopLine(const RunCursor& cur, StopReport& s) {
    const auto* text = static_cast<const unsigned char*>(plat::mem_lock(cur.block));
    if (!text) return;
    const std::size_t length = cur.text_length;
    const std::size_t start = cur.line_start < length ? cur.line_start : length;
    std::int32_t line = 1;
    for (std::size_t i = 0; i < start; ++i)
        if (text[i] == '\r' || text[i] == kCtrlZ) ++line;
    s.line = line;
    std::size_t n = 0;
    for (std::size_t i = start; i < length && n < kTextChars; ++i) {
        const unsigned char c = text[i];
        if (c == 0 || c == '\r' || c == kCtrlZ) break;
        if (c == '\n') continue;
        if (IsJumpRecord(text + i, length - i) && n + 5 <= kTextChars) {
            std::memcpy(s.text + n, c == kGotoRecord ? "GOTO " : "GOSUB", 5);
            n += 5;
            i += 4;
            continue;
        }
        s.text[n++] = static_cast<char>(c);
    }
    s.text[n] = 0;
    plat::mem_unlock(cur.block);
}

} // namespace

void RecordStop(ScriptContext* ctx, int code, const char* detail) {
    StopReport& s = ctx->stop;
    s = StopReport{};
    s.code = code;
    LoadMessage(ctx, code, s.message, sizeof s.message);
    if (detail && *detail) {
        AppendBounded(ctx, s.message, " (", sizeof s.message);
        AppendBounded(ctx, s.message, detail, sizeof s.message);
        AppendBounded(ctx, s.message, ")", sizeof s.message);
    }
    const RunCursor* run = ctx->run;
    ctx->script_name[kTextChars] = 0;
    const char* file = run && run->file ? run->file : ctx->script_name;
    CopyBounded(ctx, s.file, file, sizeof s.file);
    if (!run) return;
    s.line_start = run->line_start;
    FindStopLine(*run, s);
}

void ForgetStop(ScriptContext* ctx) {
    ctx->stop.code = 0;
}

int ErrorSeverity(int code) {
    switch (SeverityOfNumber(code)) {
    case Severity::Run:
    case Severity::Minor:
        return kSeverityMinor;
    case Severity::Moderate:
        return kSeverityModerate;
    default:
        return kSeverityFatal;
    }
}

bool IsExtendedErrorCode(int code) {
    return code == ErrNumber(Err::ExtenderMinor) || code == ErrNumber(Err::ExtenderModerate) ||
           code == ErrNumber(Err::ExtenderSevere) || code == ErrNumber(Err::StopReported);
}

void FormatErrorTitle(ScriptContext* ctx, int code, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return;
    char text[kTextSize];
    LoadMessage(ctx, code, text, sizeof text);
    char number[16];
    std::snprintf(number, sizeof number, "%d:  ", code);
    std::size_t limit = out_size < kTextSize ? out_size : kTextSize;
    CopyBounded(ctx, out, number, limit);
    AppendBounded(ctx, out, text, limit);
}

int ReportError(ScriptContext* ctx, plat::Hwnd owner, int body_id, int code, int severity) {
    if (!ctx) return 0;
    ctx->last_error = code;
    if (ctx->error_mode == kErrorModeOff && severity == kSeverityMinor) return 1;

    if (body_id >= 100) LoadMessage(ctx, body_id, ctx->error_body, kTextSize);
    ctx->error_body[kTextChars] = 0;
    ctx->error_title[kTextChars] = 0;
    // What the stop report names, should the run stop here: a box whose
    // text is a message of its own (a script that cannot be loaded) names
    // that message; a run-level code with a body of the caller's (a path)
    // adds that body.
    const int stop_code = body_id >= 100 ? body_id : code;
    char detail[kTextSize] = "";
    if (body_id < 100 && SeverityOfNumber(code) == Severity::Run)
        CopyBounded(ctx, detail, ctx->error_body, sizeof detail);
    if (code >= 100) {
        FormatErrorTitle(ctx, code, ctx->error_title, kTextSize);
        AddBodyFooter(ctx);
    }

    if (ctx->sounds) plat::play_system_sound("SystemHand");
    if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);

    const bool may_go_on = severity != kSeverityFatal && ctx->error_mode != kErrorModeCancel;
    const unsigned style = (may_go_on ? plat::mb::OkCancel | plat::mb::IconExclamation
                                      : plat::mb::Ok | plat::mb::IconStop) |
                           plat::mb::SetForeground;
    int answer = ShowMessageBox(ctx, owner, ctx->error_body, ctx->error_title, style);
    if (!may_go_on || answer == plat::id::Cancel) {
        RecordStop(ctx, stop_code, detail);
        return 0;
    }
    ClearError(ctx);
    return 1;
}

int ShowMessageBox(ScriptContext* ctx, plat::Hwnd owner, const char* text, const char* title,
                   unsigned style) {
    if (!text) text = "";
    if (!title) title = "";
    // The box's message loop (and the window title the log reads) may run
    // window procedures of the host.
    if (!ctx || !ctx->options.quiet) {
        const int answer = plat::message_box(owner, text, title, style);
        NoteChange();
        return answer;
    }

    CopyBounded(ctx, ctx->last_logged_body, text, kTextSize);
    CopyBounded(ctx, ctx->last_logged_title, title, kTextSize);
    // The name field may have been filled to its last byte by a writer
    // that did not keep the terminator.
    char log[sizeof ctx->options.quiet_log];
    std::memcpy(log, ctx->options.quiet_log, kLogNameChars);
    log[kLogNameChars] = 0;
    if (log[0]) WriteLogEntry(ctx, log, text, title);
    NoteChange();
    return plat::id::Cancel;
}

std::int32_t SetQuietMode(ScriptContext* ctx, std::int32_t on, const char* log_file) {
    if (!ctx) return 0;
    std::int32_t previous = ctx->options.quiet;
    ctx->options.quiet = on ? 1 : 0;
    if (on) ctx->sounds = 0;
    if (log_file && *log_file)
        CopyBounded(ctx, ctx->options.quiet_log, log_file, kLogNameChars + 1);
    return previous;
}

std::int32_t SwapErrorMode(ScriptContext* ctx, std::int32_t mode) {
    std::int32_t previous = ctx->error_mode;
    ctx->error_mode = mode == 0 ? kErrorModeOff : mode == 1 ? kErrorModeCancel : kErrorModeNotify;
    return previous;
}

std::int32_t TakeLastError(ScriptContext* ctx) {
    std::int32_t result =
        IsExtendedErrorCode(ctx->last_error) ? ctx->extended_error : ctx->last_error;
    ctx->last_error = 0;
    ctx->extended_error = 0;
    return result;
}

} // namespace jol
