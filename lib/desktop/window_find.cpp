// Finding windows by name and bringing them to the front.
#include "lib/desktop/window_find.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lib/desktop/window_enum.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/environment.h"
#include "platform/text.h"
#include "platform/window_system.h"

namespace jol {
namespace {

// The record of a title search: the pattern, whether the windows are
// children (where a title is matched as a child's) and the window found.
struct TitleSearch {
    const char* pattern;
    bool child;
    plat::Hwnd found;
};

constexpr char kWinIdPrefix[] = "#WIN$ID#";
constexpr std::size_t kPatternMax = 256;
// How long the window manager is given to bring a window forward.
constexpr unsigned kActivateConfirmMs = 1000;

bool SameIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// True when text occurs in title at a character boundary; with at_end,
// only an occurrence that ends the title counts.
bool OccursIn(const std::string& title, const std::string& text, bool at_end) {
    std::size_t pos = 0;
    while (pos <= title.size()) {
        if (title.size() - pos >= text.size() && title.compare(pos, text.size(), text) == 0 &&
            (!at_end || pos + text.size() == title.size()))
            return true;
        if (pos == title.size()) break;
        pos += plat::is_lead_byte(static_cast<unsigned char>(title[pos])) && pos + 1 < title.size()
                   ? 2
                   : 1;
    }
    return false;
}

bool HasAncestor(plat::Hwnd w, plat::Hwnd ancestor) {
    int depth = 0;
    for (plat::Hwnd p = plat::get_parent(w); p && depth < 64; p = plat::get_parent(p), ++depth)
        if (p == ancestor) return true;
    return plat::desk::is_owned_by(w, ancestor);
}

// Whether the foreground window is w, or belongs to it (a child, or a
// window it owns such as its dialog), or is the expected other window.
bool InFront(plat::Hwnd w, plat::Hwnd also) {
    const plat::Hwnd f = plat::desk::foreground();
    if (!f) return false;
    return f == w || f == also || HasAncestor(f, w);
}

} // namespace

bool TitleMatches(const char* title_text, const char* pattern_text, bool child) {
    if (!title_text || !*title_text || !pattern_text) return false;
    if (!child && std::strcmp(title_text, "WinOldAp") == 0) return false;
    const std::string title = title_text;
    std::string pattern = pattern_text;
    if (pattern.size() > kPatternMax) pattern.resize(kPatternMax);
    const std::size_t n = pattern.size();
    if (n >= 2 && pattern[0] == '~') {
        const bool at_end = n >= 3 && pattern[n - 1] == '~';
        return OccursIn(title, pattern.substr(1, n - (at_end ? 2 : 1)), at_end);
    }
    if (n >= 2 && pattern[n - 1] == '~') return title == pattern.substr(0, n - 1);
    if (n > title.size()) return false;
    return plat::compare_text(title.substr(0, n).c_str(), pattern.c_str(), false, false) == 0;
}

bool MakeWinId(plat::Hwnd w, char* out) {
    const auto low = static_cast<std::uint32_t>(w);
    if (plat::handle_from_id(low) != w) {
        *out = 0;
        return false;
    }
    std::snprintf(out, kWinIdLength + 1, "%s%08X", kWinIdPrefix, static_cast<unsigned>(low));
    return true;
}

bool IsWinId(const char* name) {
    return name && std::strlen(name) == kWinIdLength && std::strncmp(name, kWinIdPrefix, 8) == 0;
}

plat::Hwnd WinIdWindow(const char* name) {
    if (!IsWinId(name)) return 0;
    std::uint32_t v = 0;
    for (const char* p = name + 8; *p; ++p) {
        const char c = *p;
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return 0;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    const plat::Hwnd w = plat::handle_from_id(v);
    return w && plat::is_window(w) ? w : 0;
}

plat::Hwnd HostTopWindow(const ScriptContext* ctx) {
    return ctx->host_parent;
}

plat::Hwnd FindWindowOnce(ScriptContext* ctx, const char* name) {
    if (!name || !*name) {
        const plat::Hwnd host = HostTopWindow(ctx);
        return host && plat::is_window(host) ? host : 0;
    }
    if (IsWinId(name)) return WinIdWindow(name);
    TitleSearch search{name, false, 0};
    plat::desk::enum_windows(WinEnumFuncx, reinterpret_cast<std::intptr_t>(&search));
    return search.found;
}

plat::Hwnd FindWindowRetry(ScriptContext* ctx, const char* name) {
    if (!name || !*name || IsWinId(name)) return FindWindowOnce(ctx, name);
    for (std::int32_t attempt = 0;; ++attempt) {
        if (const plat::Hwnd w = FindWindowOnce(ctx, name)) return w;
        if (attempt > ctx->options.window_wait_retries) return 0;
        if (!WaitPumping(ctx, 1000)) return 0;
    }
}

plat::Hwnd FindChildWindow(plat::Hwnd parent, const char* name) {
    if (!parent || !name) return 0;
    if (IsWinId(name)) {
        const plat::Hwnd w = WinIdWindow(name);
        for (plat::Hwnd k : plat::desk::descendants(parent))
            if (k == w) return w;
        return 0;
    }
    TitleSearch search{name, true, 0};
    plat::desk::enum_child_windows(parent, WinEnumFuncx, reinterpret_cast<std::intptr_t>(&search));
    return search.found;
}

bool WaitPumping(ScriptContext* ctx, unsigned ms) {
    const std::uint32_t start = plat::tick_count();
    for (;;) {
        PumpMessages(ctx);
        if (ctx->cancel) return false;
        const std::uint32_t spent = plat::tick_count() - start;
        if (spent >= ms) return true;
        const unsigned left = ms - spent;
        plat::sleep_ms(left < 50 ? left : 50);
    }
}

bool ActivateWindow(ScriptContext* ctx, plat::Hwnd w) {
    if (!w || !plat::is_window(w)) return false;
    plat::Hwnd also = w;
    if (plat::desk::is_enabled(w)) {
        plat::desk::request_foreground(w);
        if (const plat::Hwnd child = plat::desk::top_child(w)) plat::desk::set_focus(child);
        plat::sleep_ms(50);
        if (plat::desk::is_minimized(w)) plat::desk::command(w, plat::desk::Command::Restore);
    } else {
        // A modal dialog holds the window: that dialog comes forward.
        for (plat::Hwnd t : plat::desk::top_level_windows()) {
            if (t == w || !plat::desk::is_enabled(t) || !plat::desk::is_visible(t) ||
                !HasAncestor(t, w))
                continue;
            plat::desk::request_foreground(w);
            plat::sleep_ms(25);
            plat::desk::request_foreground(t);
            plat::sleep_ms(50);
            also = t;
            break;
        }
        if (also == w) return false;
    }
    // The system (or the window manager) may refuse or be slow: read back
    // what is in front.
    const std::uint32_t start = plat::tick_count();
    while (!InFront(w, also)) {
        if (plat::tick_count() - start >= kActivateConfirmMs) return false;
        if (!WaitPumping(ctx, 25)) return false;
    }
    return true;
}

bool IsDosWindow(plat::Hwnd w) {
    const std::string cls = plat::desk::class_name(w);
    if (SameIgnoringCase(cls, "ConsoleWindowClass") || SameIgnoringCase(cls, "tty") ||
        SameIgnoringCase(cls, "woa"))
        return true;
    std::string module = plat::desk::class_module(w);
    const std::size_t slash = module.find_last_of("\\/:");
    if (slash != std::string::npos) module.erase(0, slash + 1);
    return SameIgnoringCase(module, "winoa386.mod") || SameIgnoringCase(module, "winoldap.mod");
}

} // namespace jol

JOL_LISTED_EXPORT int JOL_STDCALL WinEnumFuncx(plat::Hwnd w, std::intptr_t data) {
    auto* search = reinterpret_cast<jol::TitleSearch*>(data);
    if (!jol::TitleMatches(plat::desk::title(w).c_str(), search->pattern, search->child)) return 1;
    search->found = w;
    return 0;
}
