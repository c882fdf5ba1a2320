#include "lib/desktop/clipboard.h"

#include <string>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/owner_window.h"

namespace jol {
namespace {

constexpr unsigned kOpenRetryMs = 1000;

// The window the clipboard is opened for: the host's top-level window,
// else (a host without a window) the library's own.
plat::Hwnd ClipboardOwner(ScriptContext* ctx) {
    plat::Hwnd w = ctx->host_window;
    for (int depth = 0; w && depth < 64; ++depth) {
        const plat::Hwnd parent = plat::get_parent(w);
        if (!parent) break;
        w = parent;
    }
    return w ? w : plat::owner_window();
}

// Opens the clipboard, once more after a second when it is held; raises
// the error of the failure (none when it opened).
bool OpenClipboard(ScriptContext* ctx) {
    if (!plat::clip::available()) {
        Raise(ctx, Err::NotSupported);
        return false;
    }
    const plat::Hwnd owner = ClipboardOwner(ctx);
    if (plat::clip::open(owner)) return true;
    plat::sleep_ms(kOpenRetryMs);
    if (plat::clip::open(owner)) return true;
    Raise(ctx, Err::ClipOpenFailed);
    return false;
}

// Closes the clipboard whichever way the function leaves.
struct ClipboardClose {
    ~ClipboardClose() { plat::clip::close(); }
};

int FnClipGet(ScriptContext* ctx, int, Value& result, Value*) {
    if (!OpenClipboard(ctx)) return 0;
    std::string text;
    plat::clip::Holds holds;
    {
        ClipboardClose closing;
        holds = plat::clip::read_text(&text);
    }
    switch (holds) {
    case plat::clip::Holds::NoAnswer:
        return Raise(ctx, Err::ClipOpenFailed);
    case plat::clip::Holds::OtherOnly:
        return Raise(ctx, Err::ClipNoText);
    case plat::clip::Holds::Nothing:
        text.clear();
        break;
    case plat::clip::Holds::Text:
        break;
    }
    // The script's strings end at the first zero.
    text.resize(std::char_traits<char>::length(text.c_str()));
    return ResultCopy(ctx, result, text.c_str());
}

// ClipPut and ClipAppend: the new text after the old one (append) or in
// place of everything (put).
int PutText(ScriptContext* ctx, Value& result, const char* added, bool append) {
    if (!OpenClipboard(ctx)) return 0;
    ClipboardClose closing;
    std::string old;
    if (append) {
        switch (plat::clip::read_text(&old)) {
        case plat::clip::Holds::NoAnswer:
            return Raise(ctx, Err::ClipOpenFailed);
        case plat::clip::Holds::OtherOnly:
            return Raise(ctx, Err::ClipNoText);
        case plat::clip::Holds::Nothing:
            old.clear();
            break;
        case plat::clip::Holds::Text:
            old.resize(std::char_traits<char>::length(old.c_str()));
            break;
        }
    }
    const std::size_t added_length = std::char_traits<char>::length(added);
    if (!plat::clip::empty()) return Raise(ctx, Err::ClipOpenFailed);
    if (old.size() + added_length > kClipTextLimit) {
        // The old text goes back (nothing for ClipPut).
        plat::clip::put_text(old.data(), old.size());
        return Raise(ctx, Err::ClipTooLong);
    }
    std::string combined;
    combined.reserve(old.size() + added_length);
    combined.append(old).append(added, added_length);
    if (!plat::clip::put_text(combined.data(), combined.size())) {
        plat::clip::put_text(old.data(), old.size());
        return Raise(ctx, Err::ClipMemory);
    }
    result.i = 1;
    return 1;
}

int FnClipPut(ScriptContext* ctx, int, Value& result, Value* args) {
    return PutText(ctx, result, ArgText(ctx, args[1]), false);
}

int FnClipAppend(ScriptContext* ctx, int, Value& result, Value* args) {
    return PutText(ctx, result, ArgText(ctx, args[1]), true);
}

int FnSnapshot(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::int32_t request = args[1].i;
    if (request < 0 || request > 4) return Raise(ctx, Err::SnapshotRequest);
    if (!plat::clip::available()) return Raise(ctx, Err::NotSupported);
    int width = 0, height = 0;
    if (!plat::clip::screen_size(&width, &height)) return Raise(ctx, Err::NotSupported);
    plat::Rect window;
    const bool has_window =
        request != 0 && plat::clip::foreground_rect(request == 1 || request == 2,
                                                    request == 1 || request == 3, &window);
    plat::Rect area;
    // A window wholly off the screen leaves nothing to take.
    if (!SnapshotArea(has_window ? &window : nullptr, width, height, &area))
        return Raise(ctx, Err::SnapshotMemory);
    switch (plat::clip::snapshot(ClipboardOwner(ctx), area)) {
    case plat::clip::SnapResult::Ok:
        result.i = 1;
        return 1;
    case plat::clip::SnapResult::NoBitmap:
        return Raise(ctx, Err::SnapshotMemory);
    case plat::clip::SnapResult::NoPalette:
        return Raise(ctx, Err::SnapshotPalette);
    case plat::clip::SnapResult::NotOpened:
        return Raise(ctx, Err::SnapshotClipboard);
    case plat::clip::SnapResult::NoDisplay:
        break;
    }
    return Raise(ctx, Err::NotSupported);
}

std::int32_t Clamp(std::int32_t v, int limit) {
    if (v < 1) return 0;
    return v >= limit ? limit : v;
}

constexpr ModuleFunction kFunctions[] = {
    {"clipappend", FnClipAppend, 0},
    {"clipget", FnClipGet, 0},
    {"clipput", FnClipPut, 0},
    {"snapshot", FnSnapshot, 0},
};

} // namespace

bool SnapshotArea(const plat::Rect* window, int screen_width, int screen_height, plat::Rect* out) {
    plat::Rect r{0, 0, screen_width, screen_height};
    if (window) r = *window;
    r.left = Clamp(r.left, screen_width);
    r.right = Clamp(r.right, screen_width);
    r.top = Clamp(r.top, screen_height);
    r.bottom = Clamp(r.bottom, screen_height);
    *out = r;
    return r.right > r.left && r.bottom > r.top;
}

const Module kClipboardModule = MakeModule("clipboard", kFunctions);

} // namespace jol
