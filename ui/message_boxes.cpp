// Message, Pause and AskYesNo: message boxes owned by the host window,
// after the sound cue and with the host brought to the foreground. Cancel
// is the user's request to end the script (Err::StopCancel), which the run loop turns
// into a jump to :CANCEL when the script has that label.
#include "ui/message_boxes.h"

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "platform/boxes.h"
#include "platform/sound.h"
#include "platform/window_system.h"

namespace jol {
namespace {

constexpr std::size_t kTitleSize = 257; // 256 characters and the zero

int Ask(ScriptContext* ctx, const Value* args, const char* cue, unsigned style) {
    char title[kTitleSize];
    CopyBounded(ctx, title, ArgText(ctx, args[1]), sizeof title);
    if (ctx->sounds) plat::play_system_sound(cue);
    if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);
    return ShowMessageBox(ctx, ctx->host_window, ArgText(ctx, args[2]), title, style);
}

void Cancelled(ScriptContext* ctx) {
    Raise(ctx, Err::StopCancel);
}

int FnMessage(ScriptContext* ctx, int, Value& result, Value* args) {
    Ask(ctx, args, "SystemAsterisk", plat::mb::Ok);
    result.i = 1;
    return 1;
}

int FnPause(ScriptContext* ctx, int, Value& result, Value* args) {
    if (Ask(ctx, args, "SystemQuestion", plat::mb::OkCancel | plat::mb::IconExclamation) ==
        plat::id::Cancel)
        Cancelled(ctx);
    result.i = 1;
    return 1;
}

int FnAskYesNo(ScriptContext* ctx, int, Value& result, Value* args) {
    const int button =
        Ask(ctx, args, "SystemQuestion", plat::mb::YesNoCancel | plat::mb::IconQuestion);
    result.i = button == plat::id::Yes ? 1 : 0;
    if (button != plat::id::Yes && button != plat::id::No) Cancelled(ctx);
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"message", FnMessage, trait::ShowsBox},
    {"pause", FnPause, trait::ShowsBox},
    {"askyesno", FnAskYesNo, trait::ShowsBox},
};

} // namespace

const Module kMessageBoxModule = MakeModule("message boxes", kFunctions);

} // namespace jol
