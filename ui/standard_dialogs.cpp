// Display, AskLine, AskPassword, AskFileName, the list dialogs (AskItemList,
// AskFileText, ItemSelect, TextSelect, TextBox, TextBoxSort) and
// ButtonNames.
//
// Everything but the dialog itself is done here, the same on every
// backend: the entries of a list, their order, the result of a selection,
// the filter of the file-name box. When the run's boxes are answered from
// the scripted answer queue, the dialogs are too: the dialog is written to
// standard error and takes the next answer (text:, select:, file:,
// timeout, cancel, ok), so a script gives the same result everywhere. A
// dialog nobody answers is never given an answer: it counts as a dialog
// that cannot be created.
#include "ui/standard_dialogs.h"

#include <cstdio>
#include <string>
#include <vector>

#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "platform/answer_queue.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "platform/window_system.h"
#include "resources/message_table.h"
#include "ui/dialog_lists.h"

namespace jol {
namespace {

using plat::DialogEnd;
using plat::detail::form_kind;
using plat::detail::FormAnswer;

constexpr std::size_t kLineMax = 256;  // an edit field, a title
constexpr std::size_t kLongMax = 1280; // the Display text, AskFileName's caption

constexpr int kSorted = 1;
constexpr int kSingle = 2;
constexpr int kMultiple = 3;

std::string Cut(const char* text, std::size_t max) {
    std::string out;
    for (const char* p = text ? text : ""; *p;) {
        const int n = CharBytes(p);
        if (out.size() + static_cast<std::size_t>(n) > max) break;
        out.append(p, static_cast<std::size_t>(n));
        p += n;
    }
    return out;
}

std::string Message(int id) {
    char text[kTextSize];
    LoadMessage(id, text, sizeof text);
    return text;
}

// The labels of buttons 1 and 2: the ButtonNames override for this dialog
// only, else "&Ok" and "&Cancel".
struct Labels {
    std::string ok, cancel;
};
Labels TakeLabels(ScriptContext* ctx) {
    Labels l{Message(120), Message(121)};
    if (ctx->custom_buttons) {
        if (ctx->button_text[0][0]) l.ok = ctx->button_text[0];
        if (ctx->button_text[1][0]) l.cancel = ctx->button_text[1];
        ctx->custom_buttons = 0;
    }
    return l;
}

// The steps before a dialog: the sound cue and the host to the front.
void BeforeDialog(ScriptContext* ctx, const char* cue) {
    if (ctx->sounds) plat::play_system_sound(cue);
    if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);
}

// The steps after a line or list dialog.
void AfterDialog(ScriptContext* ctx) {
    plat::sleep_ms(20);
    PumpMessages(ctx);
    if (ctx->current_cursor) plat::set_cursor(ctx->current_cursor);
}

// The answer for a dialog from the queue, after writing the dialog as a
// box is written.
FormAnswer QueuedAnswer(const std::string& title, const std::string& text) {
    plat::detail::write_box(title.c_str(), text.c_str());
    return plat::detail::answer_queue_next_form();
}

bool IsWord(const FormAnswer& a, const char* word) {
    if (a.kind != form_kind::button) return false;
    std::string lower;
    for (char c : a.value)
        if (c != '&') lower += LowerChar(c);
    return lower == word;
}

// A queued answer the dialog cannot take: noted, and the dialog ends as
// one that nobody can answer.
DialogEnd Unanswered(const FormAnswer& a) {
    static const char* const prefixes[] = {"", "",        "text:", "select:", "file:",   "",
                                           "", "dialog:", "",      "",        "showvar:"};
    if (a.kind != form_kind::none)
        std::fprintf(stderr, "jol: scripted answer '%s%s' does not fit this dialog\n",
                     prefixes[static_cast<int>(a.kind)], a.value.c_str());
    std::fprintf(stderr, "jol: nobody can answer this dialog\n");
    std::fflush(stderr);
    return DialogEnd::Failed;
}

int Cancelled(ScriptContext* ctx, Value& result, bool text) {
    if (text) ResultCopy(ctx, result, "");
    return Raise(ctx, Err::StopCancel);
}

// ------------------------------------------------------------ Display

int FnDisplay(ScriptContext* ctx, int, Value& result, Value* args) {
    const unsigned ms = DisplayMilliseconds(args[1].i);
    const std::string title = Cut(ArgText(ctx, args[2]), kLineMax);
    const std::string text = Cut(ArgText(ctx, args[3]), kLongMax);
    BeforeDialog(ctx, "SystemExclamation");
    if (plat::detail::answer_queue_active()) {
        const FormAnswer a = QueuedAnswer(title, text);
        if (a.kind == form_kind::timeout) {
            result.i = 0;
        } else if (IsWord(a, "ok") || IsWord(a, "default") || a.kind == form_kind::cancel) {
            result.i = 1; // closed by hand
        } else {
            Unanswered(a);
            result.i = 0;
        }
        return 1;
    }
    plat::TimedDialog d;
    d.owner = ctx->host_parent ? ctx->host_parent : ctx->host_window;
    d.title = title.c_str();
    d.text = text.c_str();
    d.ms = ms;
    d.pretty = ctx->pretty_dialogs != 0;
    result.i = plat::timed_dialog(d);
    return 1;
}

// ------------------------------------------------ AskLine, AskPassword

int AskLineBox(ScriptContext* ctx, Value& result, Value* args, bool password) {
    const std::string title = Cut(ArgText(ctx, args[1]), kLineMax);
    const std::string prompt = Cut(ArgText(ctx, args[2]), kLineMax);
    const std::string initial = password ? std::string() : Cut(ArgText(ctx, args[3]), kLineMax);
    const Labels labels = TakeLabels(ctx);
    BeforeDialog(ctx, "SystemQuestion");
    std::string answer;
    DialogEnd end;
    if (plat::detail::answer_queue_active()) {
        const FormAnswer a = QueuedAnswer(title, prompt);
        end = DialogEnd::Ok;
        if (a.kind == form_kind::text)
            answer = Cut(a.value.c_str(), kLineMax);
        else if (IsWord(a, "ok") || IsWord(a, "default"))
            answer = initial;
        else if (a.kind == form_kind::cancel)
            end = DialogEnd::Cancel;
        else
            end = Unanswered(a);
    } else {
        plat::LineDialog d;
        d.owner = ctx->host_window;
        d.title = title.c_str();
        d.prompt = prompt.c_str();
        d.initial = initial.c_str();
        d.password = password;
        d.labels.ok = labels.ok.c_str();
        d.labels.cancel = labels.cancel.c_str();
        end = plat::line_dialog(d, &answer);
        answer = Cut(answer.c_str(), kLineMax);
    }
    AfterDialog(ctx);
    if (end == DialogEnd::Cancel) return Cancelled(ctx, result, true);
    if (end == DialogEnd::Failed) return Raise(ctx, Err::DialogCreateFailed);
    return ResultCopy(ctx, result, answer.c_str());
}

int FnAskLine(ScriptContext* ctx, int, Value& result, Value* args) {
    return AskLineBox(ctx, result, args, false);
}

int FnAskPassword(ScriptContext* ctx, int, Value& result, Value* args) {
    return AskLineBox(ctx, result, args, true);
}

// -------------------------------------------------------- AskFileName

int FnAskFileName(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::string title = Cut(ArgText(ctx, args[1]), kLongMax);
    const std::string folder = StartFolder(Cut(ArgText(ctx, args[2]), kLineMax).c_str());
    const std::string filter = FileFilter(ArgText(ctx, args[3]));
    const std::string initial = Cut(ArgText(ctx, args[4]), kLineMax);
    const bool open = (args[5].i & 1) != 0;
    BeforeDialog(ctx, "SystemQuestion");
    std::string name;
    DialogEnd end;
    if (plat::detail::answer_queue_active()) {
        const FormAnswer a = QueuedAnswer(title, folder);
        end = DialogEnd::Ok;
        if (a.kind == form_kind::file)
            name = a.value;
        else if (a.kind == form_kind::cancel)
            end = DialogEnd::Cancel;
        else
            end = Unanswered(a);
    } else {
        plat::FileDialog d;
        d.owner = ctx->host_window;
        d.title = title.c_str();
        d.directory = folder.c_str();
        d.filter = filter.data();
        d.filter_size = filter.size();
        d.initial = initial.c_str();
        d.open = open;
        end = plat::file_dialog(d, &name);
    }
    if (end == DialogEnd::Cancel) return Cancelled(ctx, result, true);
    if (end == DialogEnd::Failed) return Raise(ctx, Err::AskFileNameFailed);
    return ResultCopy(ctx, result, name.c_str());
}

// ------------------------------------------------------- list dialogs

std::string ReadWhole(const char* name, bool* opened) {
    std::string content;
    *opened = false;
    plat::FileHandle f = plat::open_file_read(name);
    if (!f) return content;
    *opened = true;
    char piece[257];
    std::size_t got = 0;
    while (plat::read_file(f, piece, sizeof piece, &got) && got > 0)
        content.append(piece, got);
    plat::close_file(f);
    return content;
}

// Selects the entries a "select:" answer names ("a|b"), each name the
// first entry of that text not yet selected; false when a name is no
// entry, or a single selection is given more than one.
bool SelectByName(const std::vector<std::string>& entries, const std::string& names, bool multiple,
                  std::vector<std::string>* selected) {
    std::vector<bool> taken(entries.size(), false);
    std::size_t count = 0;
    if (!names.empty()) {
        std::size_t at = 0;
        for (;;) {
            std::size_t bar = names.find('|', at);
            const std::string name =
                names.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
            bool found = false;
            for (std::size_t i = 0; i < entries.size() && !found; ++i)
                if (!taken[i] && entries[i] == name) taken[i] = found = true;
            if (!found) return false;
            ++count;
            if (bar == std::string::npos) break;
            at = bar + 1;
        }
    }
    if (!multiple && count > 1) return false;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (taken[i]) selected->push_back(entries[i]);
    return true;
}

std::string ShownList(const std::vector<std::string>& entries) {
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i) text += '|';
        text += entries[i];
    }
    return text;
}

// The routine of the six list dialogs. from_file: the source is a file
// named by source, else an item list.
int ListBox(ScriptContext* ctx, Value& result, const char* title_arg, const char* source,
            bool from_file, const char* delimiter_arg, int sort, int mode) {
    if ((sort != 0 && sort != 1) || (mode != kSingle && mode != kMultiple))
        return Raise(ctx, Err::AskBoxValue);
    const std::string title = Cut(title_arg, kLineMax);
    const std::string delimiter = from_file ? std::string("\t") : ListDelimiter(delimiter_arg);
    const bool multiple = mode == kMultiple;
    std::vector<std::string> entries;
    if (from_file) {
        bool opened = false;
        const std::string content = ReadWhole(source, &opened);
        entries = opened ? FileEntries(content)
                         : std::vector<std::string>{"Error opening/finding file:", ""};
    } else {
        entries = ListEntries(source, delimiter);
    }
    const Labels labels = TakeLabels(ctx);
    BeforeDialog(ctx, "SystemQuestion");
    std::vector<std::string> selected;
    DialogEnd end;
    bool lost = false;
    if (sort == kSorted) SortEntries(entries);
    if (plat::detail::answer_queue_active()) {
        const FormAnswer a = QueuedAnswer(title, ShownList(entries));
        end = DialogEnd::Ok;
        if (a.kind == form_kind::select) {
            if (!SelectByName(entries, a.value, multiple, &selected)) end = Unanswered(a);
        } else if (IsWord(a, "ok") || IsWord(a, "default")) {
            // OK with nothing selected
        } else if (a.kind == form_kind::cancel) {
            end = DialogEnd::Cancel;
        } else {
            end = Unanswered(a);
        }
    } else {
        plat::ListDialog d;
        d.owner = ctx->host_window;
        d.title = title.c_str();
        d.items = &entries;
        d.sorted = sort == kSorted;
        d.multiple = multiple;
        d.fixed_font = ctx->options.item_box_fixed_font != 0;
        d.system_menu = (ctx->options.close_box_bits & 2) != 0;
        d.labels.ok = labels.ok.c_str();
        d.labels.cancel = labels.cancel.c_str();
        end = plat::list_dialog(d, &selected, &lost);
    }
    AfterDialog(ctx);
    if (lost) return Raise(ctx, Err::TooManySelected);
    if (end == DialogEnd::Cancel) return Cancelled(ctx, result, true);
    if (end == DialogEnd::Failed) return Raise(ctx, Err::DialogCreateFailed);
    if (!multiple) return ResultCopy(ctx, result, selected.empty() ? "" : selected[0].c_str());
    if (selected.size() > kMostSelected) return Raise(ctx, Err::TooManySelected);
    return ResultCopy(ctx, result, JoinSelection(selected, delimiter).c_str());
}

int FnAskItemList(ScriptContext* ctx, int, Value& result, Value* args) {
    return ListBox(ctx, result, ArgText(ctx, args[1]), ArgText(ctx, args[2]), false,
                   ArgText(ctx, args[3]), args[4].i, args[5].i);
}

int FnAskFileText(ScriptContext* ctx, int, Value& result, Value* args) {
    return ListBox(ctx, result, ArgText(ctx, args[1]), ArgText(ctx, args[2]), true, "", args[3].i,
                   args[4].i);
}

int FnItemSelect(ScriptContext* ctx, int, Value& result, Value* args) {
    return ListBox(ctx, result, ArgText(ctx, args[1]), ArgText(ctx, args[2]), false,
                   ArgText(ctx, args[3]), 1, kSingle);
}

int FnTextSelect(ScriptContext* ctx, int, Value& result, Value* args) {
    return ListBox(ctx, result, ArgText(ctx, args[1]), ArgText(ctx, args[2]), false,
                   ArgText(ctx, args[3]), 0, kSingle);
}

int FnTextBox(ScriptContext* ctx, int, Value& result, Value* args) {
    return ListBox(ctx, result, ArgText(ctx, args[1]), ArgText(ctx, args[2]), true, "", 0, kSingle);
}

int FnTextBoxSort(ScriptContext* ctx, int, Value& result, Value* args) {
    return ListBox(ctx, result, ArgText(ctx, args[1]), ArgText(ctx, args[2]), true, "", 1, kSingle);
}

// -------------------------------------------------------- ButtonNames

int FnButtonNames(ScriptContext* ctx, int, Value& result, Value* args) {
    CopyBounded(ctx, ctx->button_text[0], ArgText(ctx, args[1]), sizeof ctx->button_text[0]);
    CopyBounded(ctx, ctx->button_text[1], ArgText(ctx, args[2]), sizeof ctx->button_text[1]);
    ctx->custom_buttons = 1;
    result.i = 1;
    return 1;
}

// The dialogs wait for a person also in quiet mode, and the file forms read
// files: none of them has a trait.
constexpr ModuleFunction kFunctions[] = {
    {"display", FnDisplay, 0},
    {"askline", FnAskLine, 0},
    {"askpassword", FnAskPassword, 0},
    {"askfilename", FnAskFileName, 0},
    {"askitemlist", FnAskItemList, 0},
    {"askfiletext", FnAskFileText, 0},
    {"itemselect", FnItemSelect, 0},
    {"textselect", FnTextSelect, 0},
    {"textbox", FnTextBox, 0},
    {"textboxsort", FnTextBoxSort, 0},
    {"buttonnames", FnButtonNames, trait::OwnContext},
};

} // namespace

const Module kStandardDialogModule = MakeModule("standard dialogs", kFunctions);

} // namespace jol
