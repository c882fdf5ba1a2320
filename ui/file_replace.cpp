#include "ui/file_replace.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "exec/error_report.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lib/data/file_names.h"
#include "lib/data/time_functions.h"
#include "platform/boxes.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

// Buttons of the box in the order of its two columns, with the message
// holding each label and the choice each one leaves behind.
struct ReplaceButton {
    int id;
    int message;
    int choice;
};
constexpr ReplaceButton kButtons[] = {
    {1, 123, 1},   {101, 124, 101}, {104, 136, 2}, {106, 137, 102},
    {102, 138, 3}, {105, 139, 103}, {103, 125, 4}, {2, 121, 104},
};
constexpr int kButtonCount = static_cast<int>(sizeof kButtons / sizeof kButtons[0]);

// Last-write date and time as one comparable number; false when the file
// cannot be examined.
bool WriteStamp(const char* path, std::uint32_t* stamp) {
    std::uint16_t date = 0, time = 0;
    if (!plat::file_write_time_packed(path, &date, &time)) return false;
    *stamp = (static_cast<std::uint32_t>(date) << 16) | time;
    return true;
}

// "12/05/97   9:07AM   1234 bytes".
std::string InfoLine(const char* path) {
    char when[64] = {};
    FileTimeText(path, when, sizeof when);
    plat::FindData found;
    std::uint64_t size = 0;
    if (plat::FindHandle h = plat::find_first(path, &found)) {
        size = found.size;
        plat::find_close(h);
    }
    char line[128];
    std::snprintf(line, sizeof line, "%s   %llu bytes", when,
                  static_cast<unsigned long long>(size));
    return line;
}

std::string Message(int id) {
    char text[kTextSize];
    LoadMessage(id, text, sizeof text);
    return text;
}

int Ask(ScriptContext* ctx, const char* source, const char* target) {
    const std::string texts[6] = {Message(122), target, InfoLine(target),
                                  Message(135), source, InfoLine(source)};
    const char* lines[6];
    for (int i = 0; i < 6; ++i)
        lines[i] = texts[i].c_str();
    std::string labels[kButtonCount];
    plat::ChoiceButton buttons[kButtonCount];
    for (int i = 0; i < kButtonCount; ++i) {
        labels[i] = Message(kButtons[i].message);
        buttons[i] = plat::ChoiceButton{kButtons[i].id, labels[i].c_str()};
    }
    if (ctx->sounds) plat::play_system_sound("SystemExclamation");
    if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);
    const std::string title = Message(134);
    const int pressed = plat::replace_box(ctx->host_window, title.c_str(), lines, buttons);
    if (ctx->current_cursor) plat::set_cursor(ctx->current_cursor);
    for (const ReplaceButton& b : kButtons)
        if (b.id == pressed) return b.choice;
    return 104; // a box that cannot be shown, or that nobody answers, is cancelled
}

bool UseNewer(std::uint32_t source, std::uint32_t target) {
    return source >= target;
}

} // namespace

ReplaceAnswer ConfirmReplace(ScriptContext* ctx, ReplaceChoice* choice, const char* source,
                             const char* target) {
    if (choice->remembered == kReplaceAll) return ReplaceAnswer::Copy;
    if (choice->remembered == 104) return ReplaceAnswer::Cancelled;
    std::uint32_t from = 0, to = 0;
    if (!WriteStamp(source, &from)) return ReplaceAnswer::SourceMissing;
    if (!WriteStamp(target, &to)) return ReplaceAnswer::Copy;
    if (choice->remembered == 102)
        return UseNewer(from, to) ? ReplaceAnswer::Copy : ReplaceAnswer::Leave;
    if (choice->remembered == 103) return from < to ? ReplaceAnswer::Copy : ReplaceAnswer::Leave;
    choice->remembered = Ask(ctx, source, target);
    switch (choice->remembered) {
    case 1:
    case 101:
        return ReplaceAnswer::Copy;
    case 2:
    case 102:
        return UseNewer(from, to) ? ReplaceAnswer::Copy : ReplaceAnswer::Leave;
    case 3:
    case 103:
        return from < to ? ReplaceAnswer::Copy : ReplaceAnswer::Leave;
    case 4:
        return ReplaceAnswer::Leave;
    default:
        return ReplaceAnswer::Cancelled;
    }
}

namespace {

bool ShowName(ScriptContext* ctx, const char* full, void*) {
    ShowMessageBox(ctx, ctx->host_window, full, "FileNameEval1", plat::mb::Ok);
    return true;
}

int FnFileNameEval1(ScriptContext* ctx, int, Value&, Value* args) {
    WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, ShowName, nullptr);
    return ctx->error_code ? 0 : 1;
}

bool ShowDecision(ScriptContext* ctx, const char* full, void* data) {
    const char* mask = static_cast<const char*>(data);
    char target[kFullNameSize];
    if (!MapTargetName(full, mask, target, sizeof target)) {
        Raise(ctx, Err::Unrecognizable);
        return false;
    }
    ReplaceChoice choice;
    const char* caption = "FileNameEval2 User Selected Cancel";
    switch (ConfirmReplace(ctx, &choice, full, target)) {
    case ReplaceAnswer::Copy:
        caption = "FileNameEval2 File OverWritten";
        break;
    case ReplaceAnswer::Leave:
        caption = "FileNameEval2 File Untouched";
        break;
    case ReplaceAnswer::SourceMissing:
        caption = "FileNameEval2 Source does not exist";
        break;
    case ReplaceAnswer::Cancelled:
        break;
    }
    ShowMessageBox(ctx, ctx->host_window, target, caption, plat::mb::Ok);
    return true;
}

int FnFileNameEval2(ScriptContext* ctx, int, Value&, Value* args) {
    char mask[kFullNameSize];
    if (!PrepareTargetMask(ArgText(ctx, args[2]), mask, sizeof mask))
        return Raise(ctx, Err::Unrecognizable);
    WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, ShowDecision, mask);
    return ctx->error_code ? 0 : 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"filenameeval1", FnFileNameEval1, 0},
    {"filenameeval2", FnFileNameEval2, 0},
};

} // namespace

const Module kFileReplaceModule = MakeModule("file replace boxes", kFunctions);

} // namespace jol
