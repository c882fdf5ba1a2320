#include "ui/dialog_definition.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "resources/error_codes.h"

namespace jol::dialog {
namespace {

constexpr int kBadType = ErrNumber(Err::DialogControlType);
constexpr int kBadValue = ErrNumber(Err::DialogControlValue);
constexpr int kTooManyFields = ErrNumber(Err::DialogControlFields);
constexpr int kTooLarge = ErrNumber(Err::DialogBoxTooLarge);
constexpr int kGridColumns = 60;
constexpr int kGridRows = 20;
constexpr std::size_t kGridNameLength = 30;

bool SameWord(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

// A field of 1 to 4: DEFAULT, or a number (what is not one counts as 0).
std::int32_t Placement(const std::string& field, std::int32_t fallback) {
    if (SameWord(field, "DEFAULT")) return fallback;
    return static_cast<std::int32_t>(std::strtol(field.c_str(), nullptr, 10));
}

// The whole field as a 32-bit integer; false when it is not one.
bool WholeInteger(const std::string& field, std::int32_t* out) {
    if (field.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(field.c_str(), &end, 10);
    if (errno || *end || v < INT32_MIN || v > INT32_MAX) return false;
    *out = static_cast<std::int32_t>(v);
    return true;
}

struct TypeName {
    const char* name;
    ControlType type;
};
constexpr TypeName kTypes[] = {
    {"PUSHBUTTON", ControlType::PushButton},   {"RADIOBUTTON", ControlType::RadioButton},
    {"CHECKBOX", ControlType::CheckBox},       {"EDITBOX", ControlType::EditBox},
    {"STATICTEXT", ControlType::StaticText},   {"VARYTEXT", ControlType::VaryText},
    {"FILELISTBOX", ControlType::FileListBox}, {"ITEMBOX", ControlType::ItemBox},
};

} // namespace

std::size_t SplitFields(const char* text, std::string* fields, std::size_t max_fields) {
    std::size_t count = 0;
    std::string field;
    bool quoted = false;
    bool any = false;
    auto finish = [&] {
        if (count < max_fields) fields[count] = field;
        ++count;
        field.clear();
    };
    for (const char* p = text; *p; ++p) {
        any = true;
        const char c = *p;
        if (c == '"') {
            quoted = !quoted;
        } else if (c == '\t') {
        } else if (c == ',' && !quoted) {
            finish();
            if (count > max_fields) return count;
        } else if (c == ' ' && !quoted) {
        } else {
            field += c;
        }
    }
    if (any) finish();
    return count > max_fields ? max_fields + 1 : count;
}

int ParseControl(const char* text, ControlDef* out) {
    std::string f[8];
    const std::size_t n = SplitFields(text ? text : "", f, 8);
    if (n > 8) return kTooManyFields;
    ControlDef d;
    if (n >= 1) d.x = Placement(f[0], 8);
    if (n >= 2) d.y = Placement(f[1], 16);
    if (n >= 3) d.w = Placement(f[2], 44);
    if (n >= 4) d.h = Placement(f[3], 32);
    bool typed = false;
    if (n >= 5) {
        for (const TypeName& t : kTypes) {
            if (SameWord(f[4], t.name)) {
                d.type = t.type;
                typed = true;
            }
        }
    }
    if (!typed) return kBadType;
    if (n >= 6) {
        if (f[5].size() > kMaxNameLength) return kTooManyFields;
        d.name = f[5];
    }
    if (n >= 7) d.text = f[6];
    const bool valued = d.type == ControlType::PushButton || d.type == ControlType::RadioButton ||
                        d.type == ControlType::CheckBox;
    if (n >= 8) {
        if (!valued) return kTooManyFields;
        if (!WholeInteger(f[7], &d.value)) return kBadValue;
        d.has_value = true;
    }
    if (valued && d.type != ControlType::PushButton && (!d.has_value || d.value == 0))
        return kBadValue;
    *out = d;
    return 0;
}

int ParseGrid(const char* text, std::size_t size, Grid* out) {
    Grid g;
    std::size_t start = 0;
    while (start < size) {
        std::size_t end = start;
        while (end < size && !(text[end] == '\r' && end + 1 < size && text[end + 1] == '\n') &&
               text[end] != 0)
            ++end;
        if (end < size && text[end] == 0) size = end; // a zero byte ends the text
        g.lines.emplace_back(text + start, end - start);
        start = end + 2;
    }
    if (g.lines.size() > static_cast<std::size_t>(kGridRows)) return kTooLarge;
    for (const std::string& line : g.lines)
        if (line.size() > static_cast<std::size_t>(kGridColumns)) return kTooLarge;
    g.rows = static_cast<int>(g.lines.size());
    for (const std::string& line : g.lines)
        if (static_cast<int>(line.size()) > g.columns) g.columns = static_cast<int>(line.size());

    for (int row = 0; row < g.rows; ++row) {
        const std::string& line = g.lines[static_cast<std::size_t>(row)];
        for (std::size_t col = 0; col < line.size(); ++col) {
            if (line[col] != '[') continue;
            std::size_t close = line.find(']', col + 1);
            if (close == std::string::npos) close = line.size();
            const std::string content = line.substr(col + 1, close - col - 1);
            if (g.controls.size() >= static_cast<std::size_t>(kMaxControls)) return kTooLarge;
            GridControl c;
            c.column = static_cast<int>(col);
            c.row = row;
            c.width = static_cast<int>(content.size()) + 2;
            const std::size_t mark = content.find_first_of("#^+$\\");
            if (mark == std::string::npos) {
                c.type = ControlType::StaticText;
                c.name = content;
            } else {
                c.name = content.substr(0, mark);
                if (c.name.size() > kGridNameLength) return kTooManyFields;
                switch (content[mark]) {
                case '#':
                    c.type = ControlType::EditBox;
                    break;
                case '^':
                    c.type = ControlType::RadioButton;
                    break;
                case '+':
                    c.type = ControlType::CheckBox;
                    break;
                case '$':
                    c.type = ControlType::VaryText;
                    break;
                default:
                    c.type = ControlType::FileListBox;
                    break;
                }
                if ((c.type == ControlType::RadioButton || c.type == ControlType::CheckBox) &&
                    mark + 1 < content.size())
                    c.value = content[mark + 1];
                if (c.type == ControlType::FileListBox) {
                    // As many rows as there are "\" in the marker's column
                    // from this row to the last.
                    const std::size_t at = col + 1 + mark;
                    int h = 0;
                    for (int r = row; r < g.rows; ++r) {
                        const std::string& l = g.lines[static_cast<std::size_t>(r)];
                        if (at < l.size() && l[at] == '\\') ++h;
                    }
                    c.height = h > 0 ? h : 1;
                }
            }
            g.controls.push_back(c);
            col = close;
        }
    }
    *out = std::move(g);
    return 0;
}

} // namespace jol::dialog
