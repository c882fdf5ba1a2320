// Fuzz target: arbitrary bytes as a Dialog control definition (up to the
// first zero byte) and as a DialogBox grid. A definition read without an
// error has one of the eight types and a name of at most 29 characters;
// a grid read without an error fits 60 by 20 and holds at most 101
// controls, each inside the grid.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/dialog_definition.h"

using namespace jol::dialog;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ControlDef d;
    const int e = ParseControl(text.c_str(), &d);
    if (e == 0) {
        if (static_cast<int>(d.type) < 0 || static_cast<int>(d.type) > 7) std::abort();
        if (d.name.size() > kMaxNameLength) std::abort();
    } else if (e != 3223 && e != 3224 && e != 3225) {
        std::abort();
    }
    Grid g;
    const int ge = ParseGrid(text.data(), text.size(), &g);
    if (ge == 0) {
        if (g.columns > 60 || g.rows > 20 || g.controls.size() > 101) std::abort();
        for (const GridControl& c : g.controls) {
            if (c.row < 0 || c.row >= g.rows || c.column < 0 || c.column >= g.columns) std::abort();
            if (c.height < 1 || c.row + c.height > g.rows) std::abort();
            if (c.name.size() > 60) std::abort();
        }
    } else if (ge != 3091 && ge != 3225) {
        std::abort();
    }
    return 0;
}
