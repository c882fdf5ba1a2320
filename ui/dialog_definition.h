// The texts that describe script-laid-out dialogs: the control
// definitions of Dialog ("x,y,width,height,TYPE,variable,text,value") and
// the text grids of DialogBox. Pure text work, no context: both backends
// and the fuzzers run it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jol::dialog {

enum class ControlType : std::int32_t {
    StaticText = 0,
    EditBox = 1,
    RadioButton = 2,
    CheckBox = 3,
    VaryText = 4,
    FileListBox = 5,
    PushButton = 6,
    ItemBox = 7,
};

constexpr int kMaxControls = 101;
constexpr std::size_t kMaxNameLength = 29; // a control's variable name

// One control definition, in dialog units.
struct ControlDef {
    std::int32_t x = 8, y = 16, w = 44, h = 32;
    ControlType type = ControlType::StaticText;
    std::string name;
    std::string text;
    std::int32_t value = 0;
    bool has_value = false;
};

// Splits a definition into its fields: commas separate them; a double
// quote toggles quoting (the quotes are dropped, commas and blanks inside
// are kept); blanks outside quotes and tabs anywhere are dropped. At most
// max_fields are collected; the count returned goes one past when there
// are more.
std::size_t SplitFields(const char* text, std::string* fields, std::size_t max_fields);

// Reads a definition; 0 on success, else the error number: 3223 an unknown
// type (or none), 3224 a value that is missing or bad for a radio button or
// check box, or 0 for anything but a push button, 3225 a value for another
// type, more than eight fields, or a variable name longer than 29
// characters. Values keep their 32 bits.
int ParseControl(const char* text, ControlDef* out);

// A control of a DialogBox grid.
struct GridControl {
    int column = 0, row = 0; // of the opening bracket
    int width = 0;           // in columns: the content plus two
    int height = 1;          // in rows (a file list: its "\" rows)
    ControlType type = ControlType::StaticText;
    std::string name; // the variable, or the text of a static text
    char value = 0;   // a radio button's or check box's value character
};

struct Grid {
    int columns = 0, rows = 0;
    std::vector<std::string> lines;
    std::vector<GridControl> controls;
};

// Reads a DialogBox grid (lines ended by CR LF or LF); 0 on success, else
// 3091 for a grid wider than 60 columns or taller than 20 rows, or with
// more than 101 controls, and 3225 for a variable name longer than 29
// characters.
int ParseGrid(const char* text, std::size_t size, Grid* out);

} // namespace jol::dialog
