// PlayMedia passes media control commands through; a command that asks to
// be notified waits, pumping messages, until the notification window
// (MyMMNotifyProc) is told that it ended or the script is cancelled. The
// window is one of the library's own, receiving messages only, so a host
// without a window can wait as well.
#include "lib/desktop/sound.h"

#include <cstring>

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "host/context/text_sizes.h"
#include "lib/data/file_functions.h"
#include "platform/boxes.h"
#include "platform/file_system.h"
#include "platform/input.h"
#include "platform/modules.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/window_system.h"

namespace jol {
namespace {

constexpr std::size_t kSoundNameSize = 260; // 259 characters and the zero
constexpr int kCueMode = 99;
constexpr unsigned kModeMask =
    plat::snd::Async | plat::snd::NoDefault | plat::snd::Loop | plat::snd::NoStop;
constexpr int kNotifyWaitMs = 30; // the longest sleep of an empty round of the wait
const char kMidiAlias[] = "z6o3r8b5a";
const char kNotifyTitle[] = "JOL media notify";

MediaSender g_media_sender = plat::mci_send;

int FnSounds(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = ctx->sounds;
    ctx->sounds = args[1].i != 0 ? 1 : 0;
    return 1;
}

// The sound player: the result is what the player answered, since it sets
// no error of the script when a sound is missing.
int FnPlayWaveform(ScriptContext* ctx, int, Value& result, Value* args) {
    unsigned mode = static_cast<unsigned>(args[2].i);
    const bool cue = args[2].i == kCueMode;
    const std::int16_t saved = ctx->error_code;
    if (cue) mode = plat::snd::Async | plat::snd::NoDefault;
    mode &= kModeMask;
    if (mode & plat::snd::Loop) mode |= plat::snd::Async;
    char name[kSoundNameSize];
    CopyBounded(ctx, name, ArgText(ctx, args[1]), sizeof name);
    const bool played = plat::play_sound(name, mode);
    if (cue) ctx->error_code = saved;
    result.i = played && ctx->error_code == 0 ? 1 : 0;
    return 1;
}

// Reports a failed media command as the error mode says; 1 when the script
// goes on.
int ReportMediaError(ScriptContext* ctx, std::uint32_t error) {
    if (ctx->error_mode == kErrorModeOff) return 1;
    char text[kTextSize];
    if (!plat::mci_error_text(error, text, sizeof text)) return Raise(ctx, Err::SoundFileNotFound);
    if (ctx->sounds) plat::play_system_sound("SystemHand");
    if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);
    const bool notify_mode = ctx->error_mode == kErrorModeNotify;
    const unsigned style =
        (notify_mode ? plat::mb::OkCancel : plat::mb::Ok) | plat::mb::SetForeground;
    const int answer = ShowMessageBox(ctx, ctx->host_window, text, "PlayMedia Error", style);
    if (notify_mode && answer == plat::id::Ok) return 1;
    ReplaceError(ctx, Err::StopReported); // the box reported it
    RecordStop(ctx, ErrNumber(Err::StopReported), text);
    return 0;
}

// Sends one command; on success its return text is in ret. 0 when the
// command failed and the script stops (or an error is raised).
int SendMedia(ScriptContext* ctx, const char* command, char* ret, std::size_t ret_size,
              bool* failed) {
    ret[0] = 0;
    *failed = false;
    ctx->media_done = 0;
    char work[kTextSize];
    CopyBounded(ctx, work, command, sizeof work);
    char upper[kTextSize];
    std::memcpy(upper, work, sizeof upper);
    plat::to_upper(upper);
    plat::Hwnd window = 0;
    if (MediaCommandNotifies(upper)) {
        window = plat::create_message_window(kNotifyClass, kNotifyTitle, LibraryInstance(),
                                             reinterpret_cast<void*>(ctx->own_handle));
        if (!window) return Raise(ctx, Err::NotifyWindowFailed);
    }
    const std::uint32_t error = g_media_sender(work, ret, ret_size, window);
    int ok = 1;
    if (error != 0) {
        *failed = true;
        ret[0] = 0;
        ok = ReportMediaError(ctx, error);
    } else if (window) {
        // Each empty round sleeps until a message arrives, not longer than
        // a moment, so the wait costs nothing while the music plays.
        while (!ctx->media_done && !ctx->cancel) {
            PumpMessages(ctx);
            if (ctx->media_done || ctx->cancel) break;
            plat::wait_for_input(kNotifyWaitMs);
        }
    }
    if (window) plat::destroy_window(window);
    return ok;
}

int FnPlayMedia(ScriptContext* ctx, int, Value& result, Value* args) {
    char ret[kTextSize];
    bool failed = false;
    if (!SendMedia(ctx, ArgText(ctx, args[1]), ret, sizeof ret, &failed)) return 0;
    return ResultCopy(ctx, result, ret);
}

// The file's name for a media command: its short form where the system has
// one; a name that still holds a blank is quoted.
void MidiName(ScriptContext* ctx, const char* found, char* out, std::size_t size) {
    char shorter[kPathSize];
    const char* name = plat::short_path_name(found, shorter, sizeof shorter) ? shorter : found;
    if (!std::strchr(name, ' ')) {
        CopyBounded(ctx, out, name, size);
        return;
    }
    CopyBounded(ctx, out, "\"", size);
    AppendBounded(ctx, out, name, size);
    AppendBounded(ctx, out, "\"", size);
}

int FnPlayMidi(ScriptContext* ctx, int, Value& result, Value* args) {
    char found[kPathSize];
    if (!LocateFile(ArgText(ctx, args[1]), found, sizeof found))
        return Raise(ctx, Err::SoundFileNotFound);
    char name[kPathSize + 2];
    MidiName(ctx, found, name, sizeof name);
    char command[kTextSize];
    char ret[kTextSize];
    bool failed = false;
    if (args[2].i != 0) {
        CopyBounded(ctx, command, "play sequencer!", sizeof command);
        AppendBounded(ctx, command, name, sizeof command);
        SendMedia(ctx, command, ret, sizeof ret, &failed);
    } else {
        CopyBounded(ctx, command, "open sequencer!", sizeof command);
        AppendBounded(ctx, command, name, sizeof command);
        AppendBounded(ctx, command, " alias ", sizeof command);
        AppendBounded(ctx, command, kMidiAlias, sizeof command);
        if (SendMedia(ctx, command, ret, sizeof ret, &failed) && !failed) {
            // Once the alias is open it is closed whatever the play gave,
            // or every later call would find it taken; the play's error is
            // the one that counts.
            CopyBounded(ctx, command, "play ", sizeof command);
            AppendBounded(ctx, command, kMidiAlias, sizeof command);
            AppendBounded(ctx, command, " notify", sizeof command);
            const bool played = SendMedia(ctx, command, ret, sizeof ret, &failed) && !failed;
            CopyBounded(ctx, command, "close ", sizeof command);
            AppendBounded(ctx, command, kMidiAlias, sizeof command);
            if (played) {
                SendMedia(ctx, command, ret, sizeof ret, &failed);
            } else {
                const std::int16_t pending = ctx->error_code;
                g_media_sender(command, ret, sizeof ret, 0);
                ctx->error_code = pending;
            }
        }
    }
    result.i = ctx->error_code == 0 && !failed ? 1 : 0;
    return ctx->error_code == 0 ? 1 : 0;
}

constexpr ModuleFunction kFunctions[] = {
    {"playmedia", FnPlayMedia, 0},
    {"playmidi", FnPlayMidi, 0},
    {"playwaveform", FnPlayWaveform, 0},
    {"sounds", FnSounds, 0},
};

} // namespace

bool MediaCommandNotifies(const char* upper) {
    const char* word = "NOTIFY";
    const std::size_t n = std::strlen(word);
    for (const char* p = std::strstr(upper, word); p; p = std::strstr(p + 1, word)) {
        if (p == upper || (p[-1] != ' ' && p[-1] != '\t')) continue;
        const char* after = p + n;
        while (*after == ' ' || *after == '\t')
            ++after;
        if (*after == 0) return true;
    }
    return false;
}

MediaSender SetMediaSender(MediaSender sender) {
    const MediaSender old = g_media_sender;
    g_media_sender = sender ? sender : plat::mci_send;
    return old;
}

const Module kSoundModule = MakeModule("sounds", kFunctions);

} // namespace jol
