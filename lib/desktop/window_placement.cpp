// Where windows are and how large.
#include "lib/desktop/window_placement.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "lib/desktop/window_find.h"
#include "platform/desktop.h"
#include "platform/sound.h"
#include "platform/window_system.h"

namespace jol {
namespace {

using plat::Hwnd;
using plat::Rect;
namespace desk = plat::desk;

// A number WinPlaceSet reads as "not given".
constexpr std::int32_t kMissing = 27981;
constexpr std::size_t kArrangeMax = 12;
// The keyword id of WinPlaceSet (WinPlaceGet shares its handler).
constexpr int kWinPlaceSetId = 436;

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

// Virtual coordinates given by scripts lie within -1000..2000.
std::int32_t ClampUnits(std::int32_t v) {
    return Clamp(v, -1000, 2000);
}

int TextResult(ScriptContext* ctx, Value& result, const std::string& text) {
    return ResultCopy(ctx, result, text.c_str());
}

// The low three bits set: the next multiple of 8, less one.
std::int32_t Low3(std::int32_t v) {
    return v | 7;
}

// Brings a minimized, maximized or hidden window back to its normal state.
void Restore(ScriptContext* ctx, Hwnd w) {
    if (w == HostTopWindow(ctx))
        desk::show(w, desk::Show::ShowNoActive);
    else if (!desk::is_visible(w))
        desk::show(w, desk::Show::Show);
    else
        desk::command(w, desk::Command::Restore);
    for (int i = 0; i < 4; ++i)
        PumpMessages(ctx);
}

std::string PlacementText(const desk::Placement& p, int size) {
    const std::int32_t sw = desk::screen_width(), sh = desk::screen_height();
    char buf[96];
    if (size == 2)
        std::snprintf(buf, sizeof buf, "%d %d %d %d", static_cast<int>(ToUnits(p.normal.left, sw)),
                      static_cast<int>(ToUnits(p.normal.top, sh)),
                      static_cast<int>(ToUnits(p.normal.right, sw)),
                      static_cast<int>(ToUnits(p.normal.bottom, sh)));
    else if (size == 1)
        std::snprintf(buf, sizeof buf, "%d %d", static_cast<int>(ToUnits(p.min_x, sw)),
                      static_cast<int>(ToUnits(p.min_y, sh)));
    else
        std::snprintf(buf, sizeof buf, "%d %d", static_cast<int>(ToUnits(p.max_x, sw)),
                      static_cast<int>(ToUnits(p.max_y, sh)));
    return buf;
}

// Reads up to four whitespace-separated integers; false when a word is no
// integer. Words after the fourth number are not read.
bool ReadCoordinates(const std::string& text, std::vector<std::int32_t>* out) {
    std::size_t i = 0;
    while (out->size() < 4) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size()) break;
        std::size_t j = i;
        if (text[j] == '-' || text[j] == '+') ++j;
        const std::size_t digits = j;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9')
            ++j;
        if (j == digits || (j < text.size() && text[j] != ' ' && text[j] != '\t')) return false;
        // Long runs of digits are kept within range before clamping.
        const long long v =
            std::strtoll(text.substr(i, std::min<std::size_t>(j - i, 12)).c_str(), nullptr, 10);
        out->push_back(static_cast<std::int32_t>(std::clamp<long long>(v, -1000000, 1000000)));
        i = j;
    }
    return true;
}

int FnWinPlace(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[5]));
    if (!w) return Raise(ctx, Err::WinPlaceNotFound);
    if (!PlaceWindow(ctx, w, args[1].i, args[2].i, args[3].i, args[4].i)) return 0;
    result.i = 1;
    return 1;
}

int FnWinPosition(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    std::string text;
    if (!w || !PositionText(w, &text)) return Raise(ctx, Err::WinPositionNotFound);
    return TextResult(ctx, result, text);
}

// WinPlaceGet and WinPlaceSet.
int FnWinPlacement(ScriptContext* ctx, int id, Value& result, Value* args) {
    const std::int32_t size = args[1].i;
    if (size < 1 || size > 3) return Raise(ctx, Err::WinPlaceSizeNumber);
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[2]));
    if (!w) return Raise(ctx, Err::WinPlacementNotFound);
    desk::Placement p;
    if (!desk::get_placement(w, &p)) return Raise(ctx, Err::WinPlacementFailed);
    const std::string before = PlacementText(p, size);
    if (id == kWinPlaceSetId) {
        std::string text = ArgText(ctx, args[3]);
        if (text.size() > 256) text.resize(256);
        std::vector<std::int32_t> v;
        if (!ReadCoordinates(text, &v)) return Raise(ctx, Err::WinPlaceSetCount);
        std::vector<std::int32_t> given;
        for (std::int32_t n : v)
            if (n != kMissing) given.push_back(ClampUnits(n));
        if (given.size() != (size == 2 ? 4u : 2u)) return Raise(ctx, Err::WinPlaceSetCount);
        const std::int32_t sw = desk::screen_width(), sh = desk::screen_height();
        if (size == 1) {
            p.min_x = ToPixels(given[0], sw);
            p.min_y = ToPixels(given[1], sh);
            p.use_min_position = true;
        } else if (size == 3) {
            p.max_x = ToPixels(given[0], sw);
            p.max_y = ToPixels(given[1], sh);
        } else {
            p.normal = Rect{ToPixels(given[0], sw), ToPixels(given[1], sh), ToPixels(given[2], sw),
                            ToPixels(given[3], sh)};
        }
        if (!desk::set_placement(w, p, static_cast<desk::PlacementPart>(size)))
            return Raise(ctx, Err::WinPlacementFailed);
    }
    return TextResult(ctx, result, before);
}

char ArrangeStyle(const char* text) {
    char c = text && *text ? *text : 'S';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    switch (c) {
    case '2':
    case 'A':
        return 'A';
    case '3':
    case 'R':
        return 'R';
    case '4':
    case 'C':
        return 'C';
    default:
        return 'S';
    }
}

int FnWinArrange(ScriptContext* ctx, int, Value& result, Value* args) {
    const char style = ArrangeStyle(ArgText(ctx, args[1]));
    for (Hwnd w : desk::top_level_windows())
        if (desk::can_arrange(w) && desk::is_maximized(w)) desk::command(w, desk::Command::Restore);
    PumpMessages(ctx);
    std::vector<Hwnd> windows;
    for (Hwnd w : desk::top_level_windows()) {
        if (windows.size() >= kArrangeMax) break;
        if (desk::can_arrange(w) && !desk::is_maximized(w)) windows.push_back(w);
    }
    if (windows.empty()) {
        plat::beep();
        result.i = 1;
        return 1;
    }
    ArrangeMetrics m;
    m.screen_width = desk::screen_width();
    m.frame_width = desk::frame_width();
    m.frame_height = desk::frame_height();
    m.caption = desk::caption_height();
    m.default_bottom = desk::default_bottom(ctx->default_window_bottom);
    const std::vector<Rect> rects = ArrangeRects(m, static_cast<int>(windows.size()), style);
    for (std::size_t i = windows.size(); i-- > 0;)
        desk::move_window(windows[i], rects[i]);
    desk::request_foreground(windows.front());
    result.i = 1;
    return 1;
}

int FnIconArrange(ScriptContext*, int, Value&, Value*) {
    // The window manager keeps the icons of X in its own order: nothing to
    // ask of it there.
    desk::arrange_icons();
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"iconarrange", FnIconArrange, 0},  {"winarrange", FnWinArrange, 0},
    {"winplace", FnWinPlace, 0},        {"winplaceget", FnWinPlacement, 0},
    {"winplaceset", FnWinPlacement, 0}, {"winposition", FnWinPosition, 0},
};

} // namespace

const Module kPlacementModule = MakeModule("window placement", kFunctions);

std::int32_t ToPixels(std::int32_t units, std::int32_t screen) {
    return static_cast<std::int16_t>(static_cast<std::int64_t>(units) * screen / 1000);
}

std::int32_t ToUnits(std::int32_t pixels, std::int32_t screen) {
    if (screen <= 0) return 0;
    return static_cast<std::int16_t>(static_cast<std::int64_t>(pixels) * 1000 / screen);
}

int PlaceWindow(ScriptContext* ctx, Hwnd w, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                std::int32_t y2) {
    Rect cur;
    if (!w || !desk::window_rect(w, &cur)) return Raise(ctx, Err::WinPlaceNotFound);
    if (!desk::available()) return Raise(ctx, Err::NotSupported);
    const std::int64_t W = desk::screen_width(), H = desk::screen_height();
    const std::int64_t wmin = desk::min_width(), hmin = desk::min_height();
    x1 = ClampUnits(x1);
    y1 = ClampUnits(y1);
    x2 = ClampUnits(x2);
    y2 = ClampUnits(y2);
    std::int64_t top = std::min<std::int64_t>(y1 * H / 1000, H - hmin);
    std::int64_t left = std::min<std::int64_t>(x1 * W / 1000, W - wmin);
    const std::int64_t bottom = std::max<std::int64_t>(y2 * H / 1000, hmin);
    const std::int64_t right = std::max<std::int64_t>(x2 * W / 1000, wmin);
    std::int64_t width, height;
    if (x2 == 0)
        width = cur.right - cur.left;
    else
        width = std::clamp<std::int64_t>(right - left, wmin, std::max(W, wmin));
    if (y2 == 0)
        height = cur.bottom - cur.top;
    else if (y2 == 1)
        // Down to the bottom of the usable screen, never less than the
        // smallest window.
        height =
            std::max<std::int64_t>(desk::default_bottom(ctx->default_window_bottom) - top, hmin);
    else
        height = std::clamp<std::int64_t>(bottom - top, hmin, std::max(H, hmin));
    left = std::max(left, wmin - width);
    top = std::max(top, hmin - height);
    if (desk::is_minimized(w) || desk::is_maximized(w) || !desk::is_visible(w)) Restore(ctx, w);
    const Rect r{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                 static_cast<std::int32_t>(left + width), static_cast<std::int32_t>(top + height)};
    if (!desk::move_window(w, r)) return Raise(ctx, Err::NotSupported);
    return 1;
}

bool PositionText(Hwnd w, std::string* out) {
    Rect r;
    if (!desk::window_rect(w, &r)) return false;
    const std::int32_t sw = desk::screen_width(), sh = desk::screen_height();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", static_cast<int>(ToUnits(r.left, sw)),
                  static_cast<int>(ToUnits(r.top, sh)), static_cast<int>(ToUnits(r.right, sw)),
                  static_cast<int>(ToUnits(r.bottom, sh)));
    *out = buf;
    return true;
}

std::vector<Rect> ArrangeRects(const ArrangeMetrics& m, int count, char style) {
    std::vector<Rect> out;
    if (count < 1) return out;
    count = std::min(count, static_cast<int>(kArrangeMax));
    const std::int32_t F = m.frame_width, G = m.frame_height;
    const std::int32_t M = Low3(F) + 1 - F;
    const std::int32_t R = std::min(m.screen_width, 1280) - M;
    const std::int32_t W = R - M;
    const std::int32_t N = Low3(G) + 1 - G;
    const std::int32_t Bot = m.default_bottom - N;
    const std::int32_t H = Bot - N;
    const std::int32_t half = Low3(W / 2 + M) + 1 - F;
    if (style == 'S') {
        const std::int32_t steps = count > 1 ? count - 1 : 1;
        const std::int32_t hstep = std::min(m.caption + F, (R - half) / steps);
        const std::int32_t vstep = std::min(m.caption + G, (H / 2 - N) / steps);
        for (int i = 0; i < count; ++i) {
            const int k = count - 1 - i;
            out.push_back(Rect{Low3(2 * M + i * hstep) + 1 - F, N + k * vstep, R - k * hstep,
                               Bot - i * vstep});
        }
        return out;
    }
    // Column edges by the number of columns.
    auto columns = [&](int n, int c, std::int32_t* l, std::int32_t* r) {
        if (n == 1) {
            *l = M;
            *r = R;
        } else if (n == 2) {
            *l = c == 0 ? M : half;
            *r = c == 0 ? half - M : R;
        } else {
            const std::int32_t t1 = Low3(W / 3 + M);
            const std::int32_t t2 = Low3(2 * W / 3 + M) + 1 - F;
            *l = c == 0 ? M : c == 1 ? t1 + 1 - F : t2;
            *r = c == 0 ? t1 - Low3(F) : c == 1 ? t2 - M : R;
        }
    };
    // Row edges by the number of rows.
    auto rows = [&](int n, int j, std::int32_t* t, std::int32_t* b) {
        std::int32_t ends[4] = {Bot, Bot, Bot, Bot};
        if (n == 2) {
            ends[0] = H / 2;
        } else if (n == 3) {
            ends[0] = H / 3;
            ends[1] = 2 * H / 3;
        } else if (n == 4) {
            ends[0] = H / 4;
            ends[1] = H / 2;
            ends[2] = 3 * Bot / 4;
        }
        *t = j == 0 ? N : ends[j - 1] + N;
        *b = ends[j];
    };
    if (count == 4 && (style == 'C' || style == 'A')) {
        for (int i = 0; i < 4; ++i) {
            Rect r;
            columns(2, i % 2, &r.left, &r.right);
            rows(2, i / 2, &r.top, &r.bottom);
            out.push_back(r);
        }
        return out;
    }
    std::vector<int> per_column;
    if (count <= 3 && style == 'C' && count > 1)
        per_column.assign(static_cast<std::size_t>(count), 1);
    else if (count <= 4)
        per_column = {count};
    else {
        static const std::vector<int> kLayouts[] = {{2, 3},    {3, 3},    {3, 4},    {4, 4},
                                                    {3, 3, 3}, {3, 3, 4}, {3, 4, 4}, {4, 4, 4}};
        per_column = kLayouts[count - 5];
    }
    const int n_columns = static_cast<int>(per_column.size());
    for (int c = 0; c < n_columns; ++c)
        for (int j = 0; j < per_column[static_cast<std::size_t>(c)]; ++j) {
            Rect r;
            columns(n_columns, c, &r.left, &r.right);
            rows(per_column[static_cast<std::size_t>(c)], j, &r.top, &r.bottom);
            out.push_back(r);
        }
    return out;
}

} // namespace jol
