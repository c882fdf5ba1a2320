// Dialog and DialogBox. A dialog is read into a form of controls, each
// remembered with its type, its variable and its value; the backend shows
// the form and tells what the user did, and the store-back rules below
// write the controls' values into the variables when a push button
// closes it.
#include "ui/dialog_engine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/extenders.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/keyword_table.h"
#include "lang/variables.h"
#include "platform/dialog_forms.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/window_system.h"
#include "resources/message_table.h"
#include "ui/dialog_definition.h"
#include "ui/dialog_lists.h"

namespace jol {
namespace {

using dialog::ControlType;

constexpr std::size_t kNameMax = 16;
constexpr std::size_t kItemMax = 254;
constexpr std::size_t kValueMax = 65536;
constexpr int kMsgOk = 120;
constexpr int kMsgCancel = 121;
constexpr char kNoFile[] = "NOFILESELECTED";

// The variable's text; false when it has no value. Leaves no error.
bool VariableText(ScriptContext* ctx, const std::string& name, std::string* out) {
    if (name.empty()) return false;
    std::vector<char> buf(kValueMax);
    const SavedError saved = SetErrorAside(ctx);
    const int got = GetVariableText(ctx, name.c_str(), buf.data(), buf.size());
    RestoreError(ctx, saved);
    if (!got) return false;
    out->assign(buf.data());
    return true;
}

// The variable's integer value; 0 when it has none or is no number.
std::int32_t VariableInteger(ScriptContext* ctx, const std::string& name, bool* defined = nullptr) {
    std::string text;
    const bool has = VariableText(ctx, name, &text);
    if (defined) *defined = has;
    if (!has) return 0;
    Value v;
    if (!TextToInteger(text.c_str(), v)) return 0;
    return (v.flags & vf::Integer) ? v.i : 0;
}

bool StoreText(ScriptContext* ctx, const std::string& name, const std::string& text) {
    if (name.empty()) return true;
    SetVariable(ctx, name.c_str(), text.c_str(), 0, 2);
    return !HasError(ctx);
}

bool StoreInteger(ScriptContext* ctx, const std::string& name, std::int32_t n) {
    if (name.empty()) return true;
    SetVariable(ctx, name.c_str(), nullptr, n, 1);
    return !HasError(ctx);
}

std::string Message(int id) {
    char text[kTextSize];
    LoadMessage(id, text, sizeof text);
    return text;
}

// The text of the OK (1) or Cancel (0) button: the custom button text of
// the script, else the library's own.
std::string ButtonText(ScriptContext* ctx, bool ok) {
    if (ctx->custom_buttons && ctx->button_text[ok ? 0 : 1][0]) return ctx->button_text[ok ? 0 : 1];
    return Message(ok ? kMsgOk : kMsgCancel);
}

struct BaseUnits {
    std::int32_t x = 8, y = 16;
};

BaseUnits Units() {
    BaseUnits u;
    std::int32_t h = 0, v = 0;
    if (plat::dialog_base_units(&h, &v) && h > 0 && v > 0) {
        u.x = h;
        u.y = v;
    }
    return u;
}

bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

std::string CurrentDirectory() {
    char dir[kPathSize];
    const std::size_t n = plat::get_current_directory(dir, sizeof dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : std::string();
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    const char last = dir.back();
    return (last == '\\' || last == '/' || last == ':') ? dir + name : dir + "\\" + name;
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The listing of a file list: the files of the current directory that
// match the mask, its directories as "[name]" ("[..]" the parent) and the
// drives as "[-c-]", sorted.
std::vector<std::string> ListDirectory(const std::string& mask) {
    std::vector<std::string> items;
    const std::string dir = CurrentDirectory();
    plat::FindData fd;
    if (plat::FindHandle h = plat::find_first(JoinPath(dir, mask).c_str(), &fd)) {
        do {
            if (!(fd.attributes & plat::fattr::Directory)) items.emplace_back(fd.name);
        } while (plat::find_next(h, &fd));
        plat::find_close(h);
    }
    bool parent = false;
    if (plat::FindHandle h = plat::find_first(JoinPath(dir, "*.*").c_str(), &fd)) {
        do {
            if (!(fd.attributes & plat::fattr::Directory) || !std::strcmp(fd.name, ".")) continue;
            if (!std::strcmp(fd.name, "..")) parent = true;
            items.push_back(std::string("[") + fd.name + "]");
        } while (plat::find_next(h, &fd));
        plat::find_close(h);
    }
    // A directory below the root has a parent even where the system does
    // not list "..".
    if (!parent && dir.size() > 3) items.emplace_back("[..]");
    for (char d = 'a'; d <= 'z'; ++d) {
        const char root[4] = {static_cast<char>(std::toupper(static_cast<unsigned char>(d))), ':',
                              '\\', 0};
        if (plat::drive_type(root) >= 2) items.push_back(std::string("[-") + d + "-]");
    }
    std::sort(items.begin(), items.end(), LessNoCase);
    return items;
}

// A control of the dialog: what the store-back rules need.
struct Control {
    ControlType type = ControlType::StaticText;
    std::string name;
    std::int32_t value = 0; // a DialogBox radio or check box: its value character
    int form = -1;          // its index in the form
    int file_list = -1;     // an edit field or varying text: the file list it belongs to
};

class Engine final : public plat::FormEvents {
public:
    Engine(ScriptContext* ctx, bool grid) : ctx_(ctx), grid_(grid) {}

    plat::Form form;
    std::vector<Control> controls;
    std::int32_t result = 0;

    bool pressed(plat::Form& f, int id) override;
    void list_changed(plat::Form& f, int index, bool activated) override;

    // Adds a control to the form; returns its form index.
    int Add(plat::FormControl c) {
        form.controls.push_back(std::move(c));
        return static_cast<int>(form.controls.size()) - 1;
    }
    // The file lists' links and first contents, after all controls exist.
    void LinkFileLists();
    void Refill(int list);

private:
    plat::FormControl& At(int form_index) {
        return form.controls[static_cast<std::size_t>(form_index)];
    }
    int LinkedEdit(int list) const {
        for (const Control& c : controls)
            if (c.file_list == list && c.type == ControlType::EditBox) return c.form;
        return -1;
    }
    int ListControl(int form_index) const {
        for (std::size_t i = 0; i < controls.size(); ++i)
            if (controls[i].form == form_index) return static_cast<int>(i);
        return -1;
    }
    bool StoreFileList(const Control& c, bool* keep_open);
    bool StoreItemBox(const Control& c);

    ScriptContext* ctx_;
    bool grid_;
    std::string mask_ = "*.*";
};

void Engine::LinkFileLists() {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].type != ControlType::FileListBox) continue;
        std::string mask;
        if (!VariableText(ctx_, controls[i].name, &mask) || mask.empty() || grid_) mask = "*.*";
        mask_ = mask;
        for (Control& other : controls) {
            if (&other == &controls[i] || other.file_list >= 0) continue;
            if ((other.type == ControlType::EditBox || other.type == ControlType::VaryText) &&
                plat::same_text_ignoring_case(other.name, controls[i].name))
                other.file_list = static_cast<int>(i);
        }
        Refill(static_cast<int>(i));
    }
}

// Lists the current directory into the file list i and shows the
// directory and the mask in the controls linked to it.
void Engine::Refill(int i) {
    plat::FormControl& list = At(controls[static_cast<std::size_t>(i)].form);
    list.items = ListDirectory(mask_);
    list.selected.assign(list.items.size(), false);
    for (const Control& c : controls) {
        if (c.file_list != i) continue;
        if (c.type == ControlType::VaryText) At(c.form).text = CurrentDirectory();
        if (c.type == ControlType::EditBox) At(c.form).text = mask_;
    }
}

void Engine::list_changed(plat::Form&, int index, bool activated) {
    const int i = ListControl(index);
    if (i < 0 || controls[static_cast<std::size_t>(i)].type != ControlType::FileListBox) return;
    plat::FormControl& list = At(index);
    const auto sel = std::find(list.selected.begin(), list.selected.end(), true);
    if (sel == list.selected.end()) return;
    const std::string item = list.items[static_cast<std::size_t>(sel - list.selected.begin())];
    if (item.size() >= 2 && item.front() == '[' && item.back() == ']') {
        if (!activated) return;
        std::string target = item.substr(1, item.size() - 2);
        if (target.size() == 3 && target[0] == '-' && target[2] == '-')
            target = std::string(1, static_cast<char>(
                                        std::toupper(static_cast<unsigned char>(target[1])))) +
                     ":\\";
        else
            target = JoinPath(CurrentDirectory(), target);
        plat::set_current_directory(target.c_str());
        Refill(i);
        return;
    }
    const int edit = LinkedEdit(i);
    if (edit >= 0) At(edit).text = item;
}

bool Engine::StoreFileList(const Control& c, bool* keep_open) {
    const int i = static_cast<int>(&c - controls.data());
    const plat::FormControl& list = At(c.form);
    std::string chosen;
    const int edit = LinkedEdit(i);
    if (edit >= 0) chosen = At(edit).text;
    if (chosen.empty()) {
        for (std::size_t k = 0; k < list.items.size(); ++k)
            if (list.selected[k] && list.items[k].front() != '[') chosen = list.items[k];
    }
    if (HasWildcard(chosen)) {
        // A new mask: listed, and the dialog stays open.
        mask_ = chosen;
        Refill(i);
        *keep_open = true;
        return true;
    }
    std::string full;
    if (!chosen.empty()) {
        const bool absolute =
            chosen[0] == '\\' || chosen[0] == '/' || (chosen.size() > 1 && chosen[1] == ':');
        full = absolute ? chosen : JoinPath(CurrentDirectory(), chosen);
    }
    if (full.empty() || !plat::file_exists(full.c_str())) {
        if (ctx_->options.file_list_select) *keep_open = true;
        return StoreText(ctx_, c.name, kNoFile);
    }
    return StoreText(ctx_, c.name, full);
}

bool Engine::StoreItemBox(const Control& c) {
    const plat::FormControl& list = At(c.form);
    std::string joined;
    std::size_t count = 0;
    for (std::size_t k = 0; k < list.items.size(); ++k) {
        if (!list.selected[k]) continue;
        if (list.kind != plat::FormKind::MultiList) {
            joined = list.items[k];
            count = 1;
            break;
        }
        if (++count > kMostSelected) return Raise(ctx_, Err::TooManySelected) != 0;
        if (count > 1) joined += '\t';
        joined += list.items[k];
    }
    return StoreText(ctx_, c.name, joined);
}

bool Engine::pressed(plat::Form&, int id) {
    std::int32_t value = 1;
    bool found = false;
    for (const Control& c : controls) {
        if (c.type == ControlType::PushButton && At(c.form).id == id) {
            value = At(c.form).value;
            found = true;
        }
    }
    if (!found && id != 1) return false;
    // Check boxes OR their values into their variables: each pass starts
    // from 0, so a box unchecked since an earlier pass leaves no bit.
    if (!grid_) {
        for (const Control& c : controls)
            if (c.type == ControlType::CheckBox && !StoreInteger(ctx_, c.name, 0)) return true;
    }
    bool keep_open = false;
    for (const Control& c : controls) {
        const plat::FormControl& f = At(c.form);
        bool ok = true;
        switch (c.type) {
        case ControlType::EditBox:
            if (c.file_list < 0) ok = StoreText(ctx_, c.name, f.text);
            break;
        case ControlType::RadioButton:
            if (!f.checked) break;
            ok = grid_ ? StoreText(ctx_, c.name, std::string(1, static_cast<char>(c.value)))
                       : StoreText(ctx_, c.name, std::to_string(c.value));
            break;
        case ControlType::CheckBox:
            if (grid_) {
                ok = StoreText(ctx_, c.name,
                               f.checked ? std::string(1, static_cast<char>(c.value)) : "0");
            } else if (f.checked) {
                ok = StoreText(ctx_, c.name,
                               std::to_string(c.value | VariableInteger(ctx_, c.name)));
            }
            break;
        case ControlType::FileListBox:
            ok = StoreFileList(c, &keep_open);
            break;
        case ControlType::ItemBox:
            ok = StoreItemBox(c);
            break;
        default:
            break;
        }
        // A variable that cannot be stored ends the dialog with its error.
        if (!ok) break;
    }
    if (HasError(ctx_)) keep_open = false;
    if (keep_open) return false;
    result = value;
    return true;
}

bool PollCancel(void* user) {
    ScriptContext* ctx = static_cast<ScriptContext*>(user);
    PollCancelKeys(ctx);
    return ctx->cancel != 0;
}

// Shows the form and settles the result: the pressed button's value, or 0
// with 9999 when cancelled, 3104 when it could not be shown.
void Run(ScriptContext* ctx, Engine& e, Value& result) {
    if (ctx->sounds) plat::play_system_sound("SystemQuestion");
    if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);
    ctx->dialog.count = static_cast<std::int32_t>(e.controls.size());
    const plat::FormResult r = plat::run_form(ctx->host_window, e.form, e, PollCancel, ctx);
    ctx->dialog.count = 0;
    if (r == plat::FormResult::Failed) {
        PumpMessages(ctx);
        Raise(ctx, Err::DialogCreateFailed);
    }
    const std::int32_t value = r == plat::FormResult::Closed ? e.result : 0;
    ctx->custom_buttons = 0;
    if (value == 0 && !HasError(ctx)) Raise(ctx, Err::StopCancel);
    result.i = HasError(ctx) && r != plat::FormResult::Closed ? 0 : value;
}

int Fail(ScriptContext* ctx, int code) {
    ctx->error_code = static_cast<std::int16_t>(code);
    return 0;
}

// The id of the host's own dialog function when the host asked to show
// the dialogs itself; -1 otherwise.
int HostDialog(const ScriptContext* ctx) {
    if (!ctx->host_dialog_flag) return -1;
    return FindHostKeyword(ctx, "dialog");
}

// Builds the form of Dialog from the variables of the dialog name; 0 on
// success, else the error number.
int BuildDialog(ScriptContext* ctx, const std::string& n, Engine& e) {
    if (n.size() > kNameMax) return ErrNumber(Err::DialogNameTooLong);
    std::string text;
    if (!VariableText(ctx, n + "Format", &text)) return ErrNumber(Err::DialogFormatMissing);
    if (!plat::same_text_ignoring_case(text, "CRVDLGED,4.0") &&
        !plat::same_text_ignoring_case(text, "CRVDLGED,5.0"))
        return ErrNumber(Err::DialogFormatVersion);
    std::int32_t place[4];
    const char* const place_names[4] = {"x", "y", "width", "height"};
    for (int k = 0; k < 4; ++k) {
        Value v;
        if (!VariableText(ctx, n + place_names[k], &text) || !TextToInteger(text.c_str(), v) ||
            !(v.flags & vf::Integer))
            return ErrNumber(Err::DialogPlacementBad);
        place[k] = v.i;
    }
    VariableText(ctx, n + "Caption", &e.form.title);
    bool has_count = false;
    std::int32_t count = VariableInteger(ctx, n + "NumControls", &has_count);
    if (!has_count) return ErrNumber(Err::DialogControlMissing);
    count = std::clamp(count, 0, dialog::kMaxControls);

    const BaseUnits u = Units();
    e.form.class_name = kDialogClass2;
    e.form.x = place[0] * u.x / 4;
    e.form.y = place[1] * u.y / 8;
    e.form.w = place[2] * u.x / 4;
    e.form.h = place[3] * u.y / 8;
    e.form.close_box = (ctx->options.close_box_bits & 2) != 0;

    std::vector<dialog::ControlDef> defs(static_cast<std::size_t>(count));
    for (std::int32_t i = 1; i <= count; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%02d", static_cast<int>(i));
        if (!VariableText(ctx, n + suffix, &text)) return ErrNumber(Err::DialogControlMissing);
        if (const int err =
                dialog::ParseControl(text.c_str(), &defs[static_cast<std::size_t>(i - 1)]))
            return err;
    }

    std::vector<bool> placed(defs.size(), false);
    e.controls.resize(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const dialog::ControlDef& d = defs[i];
        Control& c = e.controls[i];
        c.type = d.type;
        c.name = d.name;
        c.value = d.value;
        if (placed[i]) continue;
        plat::FormControl f;
        f.x = d.x * u.x / 4;
        f.y = d.y * u.y / 8;
        f.w = d.w * u.x / 4;
        f.h = (d.type == ControlType::FileListBox || d.type == ControlType::ItemBox) ? d.h * u.y / 8
                                                                                     : u.y * 3 / 2;
        f.id = 100 + static_cast<int>(i);
        f.name = d.name;
        f.text = d.text;
        f.group = true;
        switch (d.type) {
        case ControlType::StaticText:
            f.kind = plat::FormKind::Text;
            break;
        case ControlType::VaryText:
            f.kind = plat::FormKind::Text;
            VariableText(ctx, d.name, &f.text);
            break;
        case ControlType::EditBox:
            f.kind = plat::FormKind::Edit;
            f.password =
                d.name.size() >= 3 && plat::same_text_ignoring_case(d.name.substr(0, 3), "PW_");
            VariableText(ctx, d.name, &f.text);
            break;
        case ControlType::CheckBox: {
            f.kind = plat::FormKind::Check;
            f.value = d.value;
            f.checked = (d.value & VariableInteger(ctx, d.name)) != 0;
            break;
        }
        case ControlType::PushButton:
            f.kind = plat::FormKind::Push;
            f.value = d.value;
            if (d.value == 1) f.id = 1;
            if (d.value == 0) f.id = 2;
            f.is_default = f.id == 1;
            if ((d.value == 1 || d.value == 0) &&
                (d.text.empty() || plat::same_text_ignoring_case(d.text, "DEFAULT")))
                f.text = ButtonText(ctx, d.value == 1);
            break;
        case ControlType::FileListBox:
            f.kind = plat::FormKind::FileList;
            f.text = "Files";
            break;
        case ControlType::ItemBox: {
            f.kind = ctx->options.dialog_style ? plat::FormKind::MultiList : plat::FormKind::List;
            std::string items;
            if (VariableText(ctx, d.name, &items)) {
                std::size_t start = 0;
                for (;;) {
                    const std::size_t tab = items.find('\t', start);
                    const std::string item =
                        items.substr(start, tab == std::string::npos ? tab : tab - start);
                    f.items.push_back(item.substr(0, kItemMax));
                    if (tab == std::string::npos) break;
                    start = tab + 1;
                }
            } else {
                f.items = {"Error:", d.name, "not defined."};
            }
            f.selected.assign(f.items.size(), false);
            break;
        }
        case ControlType::RadioButton: {
            // The radios of one variable are made together, at the first.
            const std::int32_t current = VariableInteger(ctx, d.name);
            bool first = true;
            for (std::size_t j = i; j < defs.size(); ++j) {
                if (defs[j].type != ControlType::RadioButton ||
                    !plat::same_text_ignoring_case(defs[j].name, d.name))
                    continue;
                plat::FormControl r;
                r.kind = plat::FormKind::Radio;
                r.x = defs[j].x * u.x / 4;
                r.y = defs[j].y * u.y / 8;
                r.w = defs[j].w * u.x / 4;
                r.h = u.y * 3 / 2;
                r.id = 100 + static_cast<int>(j);
                r.name = defs[j].name;
                r.text = defs[j].text;
                r.value = defs[j].value;
                r.group = first;
                r.checked = current == 0 ? first : defs[j].value == current;
                first = false;
                placed[j] = true;
                Control& rc = e.controls[j];
                rc.type = ControlType::RadioButton;
                rc.name = defs[j].name;
                rc.value = defs[j].value;
                rc.form = e.Add(std::move(r));
            }
            continue;
        }
        }
        c.form = e.Add(std::move(f));
    }
    // The check boxes' variables hold 0 once every box has read its bits.
    for (const Control& c : e.controls)
        if (c.type == ControlType::CheckBox && !StoreInteger(ctx, c.name, 0))
            return ctx->error_code;
    e.LinkFileLists();

    // The focus: the first control that takes input.
    for (const Control& c : e.controls) {
        const plat::FormControl& f = e.form.controls[static_cast<std::size_t>(c.form)];
        if (f.kind == plat::FormKind::Text || (f.kind == plat::FormKind::Radio && !f.checked))
            continue;
        e.form.focus = c.form;
        break;
    }
    return 0;
}

int FnDialog(ScriptContext* ctx, int, Value& result, Value* args) {
    if (const int host_function = HostDialog(ctx); host_function >= 0)
        return ExtenderCall(ctx, host_function, result, args);
    Engine e(ctx, false);
    if (const int err = BuildDialog(ctx, ArgText(ctx, args[1]), e)) {
        ctx->custom_buttons = 0;
        return Fail(ctx, err);
    }
    Run(ctx, e, result);
    return 1;
}

// Reads the grid file of DialogBox; 0 on success, else the error number.
int ReadGridFile(const char* name, dialog::Grid* grid) {
    char path[kPathSize];
    if (!plat::find_file(name, path, sizeof path)) return ErrNumber(Err::DialogBoxFileOpen);
    const plat::FileHandle f = plat::open_file_read(path);
    if (!f) return ErrNumber(Err::DialogBoxFileOpen);
    std::uint64_t size = 0;
    std::string text;
    bool ok = plat::file_size(f, &size) && size <= 65520;
    if (ok) {
        text.resize(static_cast<std::size_t>(size));
        std::size_t got = 0;
        ok = plat::read_file(f, text.data(), text.size(), &got) && got == text.size();
    }
    plat::close_file(f);
    if (!ok) return ErrNumber(Err::DialogBoxFileOpen);
    return dialog::ParseGrid(text.data(), text.size(), grid);
}

int BuildGrid(ScriptContext* ctx, const dialog::Grid& g, Engine& e) {
    const BaseUnits u = Units();
    const int row_height = u.y * 3 / 2;
    const int columns = std::max(g.columns, 25);
    e.form.class_name = kDialogClass;
    e.form.centre = true;
    e.form.w = (columns + 2) * u.x;
    e.form.h = (g.rows + 3) * row_height;

    // The grid's text outside brackets is shown as it stands.
    for (int row = 0; row < g.rows; ++row) {
        const std::string& line = g.lines[static_cast<std::size_t>(row)];
        std::size_t col = 0;
        while (col < line.size()) {
            if (line[col] == '[') {
                const std::size_t close = line.find(']', col);
                col = close == std::string::npos ? line.size() : close + 1;
                continue;
            }
            std::size_t end = col;
            while (end < line.size() && line[end] != '[')
                ++end;
            std::string text = line.substr(col, end - col);
            while (!text.empty() && (text.back() == ' ' || text.back() == '\\'))
                text.pop_back();
            std::size_t lead = 0;
            while (lead < text.size() && (text[lead] == ' ' || text[lead] == '\\'))
                ++lead;
            if (lead < text.size()) {
                plat::FormControl f;
                f.kind = plat::FormKind::Text;
                f.text = text.substr(lead);
                f.x = static_cast<int>(col + lead + 1) * u.x;
                f.y = row * row_height;
                f.w = static_cast<int>(text.size() - lead) * u.x;
                f.h = row_height;
                f.id = 0xFFFF;
                e.Add(std::move(f));
            }
            col = end;
        }
    }
    int id = 100;
    for (const dialog::GridControl& gc : g.controls) {
        Control c;
        c.type = gc.type;
        c.name = gc.name;
        c.value = static_cast<unsigned char>(gc.value);
        plat::FormControl f;
        f.x = (gc.column + 1) * u.x;
        f.y = gc.row * row_height;
        f.w = gc.width * u.x;
        f.h = gc.height * row_height;
        f.id = id++;
        f.name = gc.name;
        f.group = true;
        std::string text;
        const bool defined = VariableText(ctx, gc.name, &text);
        switch (gc.type) {
        case ControlType::StaticText:
            f.kind = plat::FormKind::Text;
            f.text = gc.name;
            f.name.clear();
            c.name.clear();
            break;
        case ControlType::VaryText:
            f.kind = plat::FormKind::Text;
            f.text = text;
            break;
        case ControlType::EditBox:
            f.kind = plat::FormKind::Edit;
            f.text = defined ? text : std::string();
            break;
        case ControlType::RadioButton: {
            f.kind = plat::FormKind::Radio;
            f.value = c.value;
            f.text = gc.name;
            // A group: the radios of one variable; the first one starts it.
            for (const Control& other : e.controls)
                if (other.type == ControlType::RadioButton &&
                    plat::same_text_ignoring_case(other.name, gc.name))
                    f.group = false;
            f.checked = defined && text.size() == 1 && text[0] == gc.value;
            break;
        }
        case ControlType::CheckBox:
            f.kind = plat::FormKind::Check;
            f.value = c.value;
            f.text = gc.name;
            f.checked = defined && !text.empty() && text != "0";
            break;
        case ControlType::FileListBox:
            f.kind = plat::FormKind::FileList;
            f.text = "Files";
            break;
        default:
            break;
        }
        c.form = e.Add(std::move(f));
        e.controls.push_back(std::move(c));
    }
    // OK and Cancel below the grid.
    const int y = (g.rows + 1) * row_height;
    for (int k = 0; k < 2; ++k) {
        plat::FormControl f;
        f.kind = plat::FormKind::Push;
        f.id = k + 1;
        f.value = k + 1;
        f.is_default = k == 0;
        f.group = true;
        f.text = ButtonText(ctx, k == 0);
        f.x = (k == 0 ? 2 : 14) * u.x;
        f.y = y;
        f.w = 10 * u.x;
        f.h = row_height;
        Control c;
        c.type = ControlType::PushButton;
        c.form = e.Add(std::move(f));
        e.controls.push_back(std::move(c));
    }
    e.LinkFileLists();
    for (const Control& c : e.controls) {
        const plat::FormControl& f = e.form.controls[static_cast<std::size_t>(c.form)];
        if (f.kind != plat::FormKind::Text) {
            e.form.focus = c.form;
            break;
        }
    }
    return 0;
}

int FnDialogBox(ScriptContext* ctx, int, Value& result, Value* args) {
    dialog::Grid grid;
    if (const int err = ReadGridFile(ArgText(ctx, args[2]), &grid)) return Fail(ctx, err);
    Engine e(ctx, true);
    e.form.title = ArgText(ctx, args[1]);
    if (const int err = BuildGrid(ctx, grid, e)) return Fail(ctx, err);
    Run(ctx, e, result);
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"dialog", FnDialog, 0},
    {"dialogbox", FnDialogBox, 0},
};

} // namespace

const Module kDialogModule = MakeModule("dialog engine", kFunctions);

} // namespace jol
