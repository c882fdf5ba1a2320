// Forms and the debug step on Linux: answered from the scripted answer
// queue, else asked on the terminal when standard input is one (each input
// control in turn, then the button), else they cannot be created. There
// are no windows of controls to pretend with.
#include "platform/dialog_forms.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/form_answers.h"

namespace plat {
namespace {

// One line of the terminal without its line end; false at the end of the
// input.
bool read_line(std::string* out) {
    char buf[1024];
    if (!std::fgets(buf, sizeof buf, stdin)) return false;
    std::size_t n = std::strlen(buf);
    while (n > 0 && (buf[n - 1] == '\n' || buf[n - 1] == '\r'))
        --n;
    out->assign(buf, n);
    return true;
}

void say(const std::string& text) {
    std::fprintf(stderr, "%s", text.c_str());
    std::fflush(stderr);
}

std::string shown_label(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '&') out += c;
    return out;
}

// Asks for the controls of one pass; false at the end of the input.
bool ask_controls(Form& form, FormEvents& events) {
    for (std::size_t i = 0; i < form.controls.size(); ++i) {
        FormControl& c = form.controls[i];
        std::string line;
        switch (c.kind) {
        case FormKind::Text:
            if (!c.text.empty()) say("  " + c.text + "\n");
            break;
        case FormKind::Edit:
            say(c.name + (c.password ? " (hidden)" : "") + " [" + (c.password ? "" : c.text) +
                "]: ");
            if (!read_line(&line)) return false;
            if (!line.empty()) c.text = line;
            break;
        case FormKind::Check:
            say(c.name + " " + shown_label(c.text) + " [" + (c.checked ? "x" : " ") + "] (y/n): ");
            if (!read_line(&line)) return false;
            if (line == "y" || line == "Y") c.checked = true;
            if (line == "n" || line == "N") c.checked = false;
            break;
        case FormKind::Radio: {
            if (!c.group) break;
            // The group: this radio and the ones of the same name after it.
            std::string prompt = c.name + " (";
            for (std::size_t j = i; j < form.controls.size(); ++j) {
                const FormControl& r = form.controls[j];
                if (r.kind != FormKind::Radio || r.name != c.name) continue;
                if (j != i && r.group) break;
                prompt += (j == i ? "" : " / ") + std::to_string(r.value) + " " +
                          shown_label(r.text) + (r.checked ? "*" : "");
            }
            say(prompt + "): ");
            if (!read_line(&line)) return false;
            if (line.empty()) break;
            const long v = std::strtol(line.c_str(), nullptr, 10);
            for (FormControl& r : form.controls)
                if (r.kind == FormKind::Radio && r.name == c.name) r.checked = r.value == v;
            break;
        }
        case FormKind::List:
        case FormKind::MultiList:
        case FormKind::FileList: {
            say(c.name + ":\n");
            for (std::size_t k = 0; k < c.items.size(); ++k)
                say("  " + std::to_string(k + 1) + (c.selected[k] ? "* " : "  ") + c.items[k] +
                    "\n");
            say(c.kind == FormKind::MultiList ? "numbers: " : "number: ");
            if (!read_line(&line)) return false;
            if (line.empty()) break;
            c.selected.assign(c.items.size(), false);
            const char* p = line.c_str();
            char* end = nullptr;
            for (long n = std::strtol(p, &end, 10); end != p; n = std::strtol(p, &end, 10)) {
                if (n >= 1 && static_cast<std::size_t>(n) <= c.items.size()) {
                    if (c.kind != FormKind::MultiList) c.selected.assign(c.items.size(), false);
                    c.selected[static_cast<std::size_t>(n - 1)] = true;
                }
                p = end;
            }
            events.list_changed(form, static_cast<int>(i), true);
            break;
        }
        case FormKind::Push:
            break;
        }
    }
    return true;
}

FormResult ask_form(Form& form, FormEvents& events) {
    for (;;) {
        say("== " + form.title + " ==\n");
        if (!ask_controls(form, events)) return FormResult::Cancelled;
        std::string prompt = "[";
        for (const FormControl& c : form.controls) {
            if (c.kind != FormKind::Push) continue;
            if (prompt.size() > 1) prompt += " / ";
            prompt += std::to_string(c.value) + " " + shown_label(c.text);
        }
        say(prompt + "] button: ");
        std::string line;
        if (!read_line(&line)) return FormResult::Cancelled;
        int id = 0;
        if (line.empty()) {
            for (const FormControl& c : form.controls)
                if (c.kind == FormKind::Push && c.is_default) id = c.id;
        } else {
            const long v = std::strtol(line.c_str(), nullptr, 10);
            for (const FormControl& c : form.controls)
                if (c.kind == FormKind::Push && c.value == v) id = c.id;
        }
        if (id == 0) continue;
        if (id == 2) return FormResult::Cancelled;
        if (events.pressed(form, id)) return FormResult::Closed;
    }
}

DebugChoice ask_debug(const DebugTexts& t, ShowVariable show, void* user) {
    say(std::string("DEBUG\n  ") + t.last + "\n  " + t.trace + "\n" +
        (*t.error ? std::string("  ") + t.error + "\n" : std::string()) + "  " + t.next_label +
        "\n  " + t.next + "\n");
    for (;;) {
        say("[Enter next / r run / c cancel / v NAME] ");
        std::string line;
        if (!read_line(&line)) return DebugChoice::Failed;
        if (line.empty()) return DebugChoice::Next;
        if (line == "r") return DebugChoice::Run;
        if (line == "c") return DebugChoice::Cancel;
        if (line.size() > 2 && line[0] == 'v' && line[1] == ' ')
            say("  " + show(user, line.c_str() + 2) + "\n");
    }
}

} // namespace

FormResult run_form(Hwnd, Form& form, FormEvents& events, bool (*)(void*), void*) {
    FormResult r;
    if (detail::answer_form(form, events, &r)) return r;
    if (::isatty(STDIN_FILENO)) return ask_form(form, events);
    return FormResult::Failed;
}

DebugChoice debug_step_dialog(Hwnd, const DebugTexts& texts, Rect*, std::int32_t*,
                              ShowVariable show, void* user) {
    DebugChoice choice;
    if (detail::answer_debug_step(texts, show, user, &choice)) return choice;
    if (::isatty(STDIN_FILENO)) return ask_debug(texts, show, user);
    return DebugChoice::Failed;
}

} // namespace plat

namespace plat {

// Natively no window runs these procedures; they keep the exported names.
std::intptr_t JOL_STDCALL form_window_proc(Hwnd w, unsigned message, std::uintptr_t wparam,
                                           std::intptr_t lparam) {
    return def_window_proc(w, message, wparam, lparam);
}

std::intptr_t JOL_STDCALL debug_dialog_proc(Hwnd, unsigned, std::uintptr_t, std::intptr_t) {
    return 0;
}

} // namespace plat
