// Where windows are and how large: the 1000 by 1000 virtual screen, and
// WinPlace, WinPosition, WinPlaceGet, WinPlaceSet, WinArrange and
// IconArrange.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dispatch/handler.h"
#include "platform/handles.h"
#include "platform/window_system.h"

namespace jol {

struct ScriptContext;

extern const Module kPlacementModule;

// Virtual units (a thousandth of the screen's size) to pixels and back,
// kept to 16 bits as the placement texts have always kept them.
std::int32_t ToPixels(std::int32_t units, std::int32_t screen);
std::int32_t ToUnits(std::int32_t pixels, std::int32_t screen);

// WinPlace's work on a window already found (never activated): 1, or 0
// with the error set. DLLServices 18 uses it.
int PlaceWindow(ScriptContext* ctx, plat::Hwnd w, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                std::int32_t y2);
// WinPosition's text of a window ("left,top,right,bottom"); false when
// it is no window.
bool PositionText(plat::Hwnd w, std::string* out);

// The screen facts an arrangement is computed from.
struct ArrangeMetrics {
    std::int32_t screen_width = 0;
    std::int32_t frame_width = 0;  // F
    std::int32_t frame_height = 0; // G
    std::int32_t caption = 0;
    std::int32_t default_bottom = 0;
};
// The rectangles of count windows (1 to 12) in Z order, the front first,
// for an arrangement style ('S' stack, 'A' arrange, 'R' rows, 'C'
// columns).
std::vector<plat::Rect> ArrangeRects(const ArrangeMetrics& m, int count, char style);

} // namespace jol
