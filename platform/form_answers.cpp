// Forms and debug steps answered from the scripted answer queue, the same
// on both backends: the form is written to standard error and the answers
// drive the library's own handling of the form (FormEvents), so a run
// without a person goes through the code a person's clicks go through.
#include "platform/form_answers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/answer_queue.h"
#include "platform/text.h"

namespace plat::detail {
namespace {

const char* kind_word(FormKind k) {
    switch (k) {
    case FormKind::Text:
        return "text";
    case FormKind::Edit:
        return "edit";
    case FormKind::Radio:
        return "radio";
    case FormKind::Check:
        return "check";
    case FormKind::Push:
        return "button";
    case FormKind::List:
        return "list";
    case FormKind::MultiList:
        return "multilist";
    case FormKind::FileList:
        return "filelist";
    }
    return "";
}

bool is_list(FormKind k) {
    return k == FormKind::List || k == FormKind::MultiList || k == FormKind::FileList;
}

void note(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

// Selects the items named by a "|" list; a file list tells the library of
// the choice, as a click would.
void select_items(Form& form, int index, FormEvents& events, const std::string& value) {
    FormControl& c = form.controls[static_cast<std::size_t>(index)];
    c.selected.assign(c.items.size(), false);
    std::size_t start = 0;
    int last = -1;
    for (;;) {
        const std::size_t bar = value.find('|', start);
        const std::string item = value.substr(start, bar == std::string::npos ? bar : bar - start);
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            if (c.items[i] == item) {
                c.selected[i] = true;
                last = static_cast<int>(i);
                if (c.kind != FormKind::MultiList) break;
            }
        }
        if (bar == std::string::npos || c.kind != FormKind::MultiList) break;
        start = bar + 1;
    }
    if (c.kind != FormKind::MultiList && last >= 0) {
        c.selected.assign(c.items.size(), false);
        c.selected[static_cast<std::size_t>(last)] = true;
    }
    if (last >= 0) events.list_changed(form, index, false);
}

// Applies one NAME=value of a dialog answer; false when no input control
// has the name.
bool apply(Form& form, FormEvents& events, const std::string& name, const std::string& value) {
    bool found = false;
    // Lists first: a file list's choice fills the edit field that shares
    // its variable, which the answer's value then sets as typed.
    for (std::size_t i = 0; i < form.controls.size(); ++i) {
        if (!is_list(form.controls[i].kind) ||
            !same_text_ignoring_case(form.controls[i].name, name))
            continue;
        select_items(form, static_cast<int>(i), events, value);
        found = true;
    }
    const std::int32_t number = static_cast<std::int32_t>(std::strtol(value.c_str(), nullptr, 10));
    for (FormControl& c : form.controls) {
        if (!same_text_ignoring_case(c.name, name)) continue;
        switch (c.kind) {
        case FormKind::Edit:
            c.text = value;
            found = true;
            break;
        case FormKind::Radio:
            c.checked = c.value == number;
            found = true;
            break;
        case FormKind::Check:
            c.checked = (c.value & number) != 0;
            found = true;
            break;
        default:
            break;
        }
    }
    return found;
}

// The id of the push button of the given value, 0 when there is none.
int button_of(const Form& form, std::int32_t value) {
    for (const FormControl& c : form.controls)
        if (c.kind == FormKind::Push && c.value == value) return c.id;
    return 0;
}

void write_form(const Form& form) {
    std::string text = "form ";
    text += form.title;
    text += ':';
    for (const FormControl& c : form.controls) {
        if (c.kind == FormKind::Text) continue;
        text += ' ';
        text += kind_word(c.kind);
        if (c.kind == FormKind::Push) {
            text += '(' + std::to_string(c.value) + ')';
            continue;
        }
        text += ' ';
        text += c.name;
        if (c.kind == FormKind::Radio || c.kind == FormKind::Check)
            text += '(' + std::to_string(c.value) + (c.checked ? ",on)" : ",off)");
    }
    note(text.c_str());
}

} // namespace

bool answer_form(Form& form, FormEvents& events, FormResult* result) {
    if (!answer_queue_active()) return false;
    write_form(form);
    for (;;) {
        const FormAnswer a = answer_queue_next_form();
        if (a.kind == form_kind::cancel) {
            *result = FormResult::Cancelled;
            return true;
        }
        if (a.kind != form_kind::dialog) {
            note("form: no dialog answer, cancelled");
            *result = FormResult::Cancelled;
            return true;
        }
        int id = 0;
        bool named_button = false;
        std::size_t start = 0;
        const std::string& v = a.value;
        while (start <= v.size()) {
            std::size_t end = v.find(';', start);
            if (end == std::string::npos) end = v.size();
            const std::string part = v.substr(start, end - start);
            start = end + 1;
            const std::size_t eq = part.find('=');
            if (part.empty() || eq == std::string::npos) continue;
            const std::string name = part.substr(0, eq);
            const std::string value = part.substr(eq + 1);
            if (same_text_ignoring_case(name, "button")) {
                named_button = true;
                id = button_of(form,
                               static_cast<std::int32_t>(std::strtol(value.c_str(), nullptr, 10)));
            } else if (!apply(form, events, name, value)) {
                note(("form: no control " + name).c_str());
            }
        }
        if (!named_button || id == 0) {
            note("form: the answer names no button of the form, cancelled");
            *result = FormResult::Cancelled;
            return true;
        }
        if (id == 2) {
            *result = FormResult::Cancelled;
            return true;
        }
        if (events.pressed(form, id)) {
            *result = FormResult::Closed;
            return true;
        }
        note("form: still open");
    }
}

bool answer_debug_step(const DebugTexts& texts, ShowVariable show, void* user,
                       DebugChoice* choice) {
    if (!answer_queue_active()) return false;
    write_debug_texts(texts);
    for (;;) {
        const FormAnswer a = answer_queue_next_form();
        switch (a.kind) {
        case form_kind::next:
            *choice = DebugChoice::Next;
            return true;
        case form_kind::run:
            *choice = DebugChoice::Run;
            return true;
        case form_kind::cancel:
            *choice = DebugChoice::Cancel;
            return true;
        case form_kind::showvar: {
            const std::string shown = show(user, a.value.c_str());
            std::fprintf(stderr, "DEBUG show: %s\n", shown.c_str());
            std::fflush(stderr);
            break;
        }
        default:
            // Nobody steps the script: the trace goes on unasked.
            *choice = DebugChoice::Failed;
            return true;
        }
    }
}

void write_debug_texts(const DebugTexts& texts) {
    std::fprintf(stderr, "DEBUG: %s | %s | %s | %s\n", texts.last, texts.trace, texts.error,
                 texts.next);
    std::fflush(stderr);
}

} // namespace plat::detail

namespace plat {

Rect clamp_to_area(Rect r, const Rect& area) {
    const std::int32_t w = std::min(r.right - r.left, area.right - area.left);
    const std::int32_t h = std::min(r.bottom - r.top, area.bottom - area.top);
    std::int32_t left = std::max(area.left, std::min(r.left, area.right - w));
    std::int32_t top = std::max(area.top, std::min(r.top, area.bottom - h));
    return Rect{left, top, left + w, top + h};
}

} // namespace plat
