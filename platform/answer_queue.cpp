#include "platform/answer_queue.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/boxes.h"
#include "platform/environment.h"

namespace plat::detail {
namespace {

// What a box gets when the queue holds no answer for it.
enum class Fallback {
    Nobody,  // nobody answers: the box is cancelled (an OK box answered OK)
    Default, // the box's default button ("default" as the only answer)
};

struct Queue {
    std::once_flag loaded;
    bool active = false;
    std::vector<FormAnswer> answers;
    std::size_t next = 0;
    Fallback fallback = Fallback::Nobody;
    std::mutex lock;
};

Queue& queue() {
    static Queue q;
    return q;
}

// The word in lower case, without "&" and blanks.
std::string folded(const char* text) {
    std::string s;
    for (const char* p = text; *p; ++p)
        if (*p != '&' && *p != ' ')
            s += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return s;
}

// The kind of a line (or word) that starts with one of the prefixes of
// the line form; kind none when it has none. *rest is what follows the
// colon.
form_kind prefixed(std::string_view text, std::string_view* rest) {
    static const struct {
        std::string_view prefix;
        form_kind kind;
    } prefixes[] = {{"text:", form_kind::text},
                    {"select:", form_kind::select},
                    {"file:", form_kind::file},
                    {"dialog:", form_kind::dialog},
                    {"showvar:", form_kind::showvar}};
    for (const auto& p : prefixes) {
        if (text.size() < p.prefix.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < p.prefix.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(text[i])) == p.prefix[i];
        if (same) {
            *rest = text.substr(p.prefix.size());
            return p.kind;
        }
    }
    return form_kind::none;
}

// A word of a plain line: one of the words of their own kind, a prefixed
// answer (its value ends at the separator), or a button.
FormAnswer word_answer(const std::string& word) {
    std::string_view rest;
    if (const form_kind kind = prefixed(word, &rest); kind != form_kind::none)
        return {kind, std::string(rest)};
    const std::string lower = folded(word.c_str());
    form_kind kind = form_kind::button;
    if (lower == "timeout")
        kind = form_kind::timeout;
    else if (lower == "cancel")
        kind = form_kind::cancel;
    else if (lower == "next")
        kind = form_kind::next;
    else if (lower == "run")
        kind = form_kind::run;
    return {kind, word};
}

void split_words(std::string_view line, std::vector<FormAnswer>& out) {
    std::string word;
    for (char c : line) {
        if (c == ',' || c == ';') {
            if (!word.empty()) out.push_back(word_answer(word));
            word.clear();
        } else if (c != ' ' && c != '\t') {
            word += c;
        }
    }
    if (!word.empty()) out.push_back(word_answer(word));
}

// The process environment as the system holds it: a host may set the
// names after the C runtime took its copy.
std::string environment_value(const char* name) {
    char value[4096];
    const std::size_t n = get_env(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// A single "default" or "none" stands for every box.
void settle(Queue& q) {
    q.fallback = Fallback::Nobody;
    if (q.answers.size() != 1) return;
    if (q.answers[0].kind != form_kind::button) return;
    const std::string only = folded(q.answers[0].value.c_str());
    if (only == "default" || only == "none") {
        q.fallback = only == "default" ? Fallback::Default : Fallback::Nobody;
        q.answers.clear();
    }
}

void load(Queue& q) {
    if (const std::string inline_answers = environment_value("JOL_ANSWERS");
        !inline_answers.empty()) {
        q.active = true;
        parse_answers(inline_answers, q.answers);
    }
    if (const std::string name = environment_value("JOL_ANSWERS_FILE"); !name.empty()) {
        const char* file = name.c_str();
        q.active = true;
        if (std::FILE* f = std::fopen(file, "rb")) {
            std::string text;
            char buf[512];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
                text.append(buf, n);
            std::fclose(f);
            parse_answers(text, q.answers);
        } else {
            std::fprintf(stderr, "jol: cannot read the answer file %s\n", file);
        }
    }
    settle(q);
}

// The buttons of each box type, in their order on the box.
const int* buttons_of(unsigned style, int* count) {
    static const int ok[] = {id::Ok};
    static const int ok_cancel[] = {id::Ok, id::Cancel};
    static const int abort_retry_ignore[] = {id::Abort, id::Retry, id::Ignore};
    static const int yes_no_cancel[] = {id::Yes, id::No, id::Cancel};
    static const int yes_no[] = {id::Yes, id::No};
    static const int retry_cancel[] = {id::Retry, id::Cancel};
    switch (style & mb::TypeMask) {
    case mb::OkCancel:
        *count = 2;
        return ok_cancel;
    case mb::AbortRetryIgnore:
        *count = 3;
        return abort_retry_ignore;
    case mb::YesNoCancel:
        *count = 3;
        return yes_no_cancel;
    case mb::YesNo:
        *count = 2;
        return yes_no;
    case mb::RetryCancel:
        *count = 2;
        return retry_cancel;
    default:
        *count = 1;
        return ok;
    }
}

// The word a box of buttons reads from an answer: the word itself, or for
// an answer of the line form its whole text, which fits no button.
std::string a_word(const FormAnswer& a) {
    switch (a.kind) {
    case form_kind::text:
        return "text:" + a.value;
    case form_kind::select:
        return "select:" + a.value;
    case form_kind::file:
        return "file:" + a.value;
    case form_kind::dialog:
        return "dialog:" + a.value;
    case form_kind::showvar:
        return "showvar:" + a.value;
    default:
        return a.value;
    }
}

} // namespace

void parse_answers(std::string_view text, std::vector<FormAnswer>& out) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        // A line ends with CR LF or LF; a CR alone ends one too.
        while (!line.empty()) {
            const std::size_t cr = line.find('\r');
            std::string_view piece = line.substr(0, cr);
            line = cr == std::string_view::npos ? std::string_view() : line.substr(cr + 1);
            std::string_view lead = piece;
            while (!lead.empty() && (lead.front() == ' ' || lead.front() == '\t'))
                lead.remove_prefix(1);
            std::string_view rest;
            if (const form_kind kind = prefixed(lead, &rest); kind != form_kind::none)
                out.push_back({kind, std::string(rest)});
            else
                split_words(piece, out);
        }
    }
}

FormAnswer answer_queue_next_form() {
    Queue& q = queue();
    if (!answer_queue_active()) return {};
    std::lock_guard<std::mutex> hold(q.lock);
    if (q.next >= q.answers.size()) {
        if (q.fallback == Fallback::Default) return {form_kind::button, "default"};
        return {};
    }
    return q.answers[q.next++];
}

bool answer_queue_active() {
    Queue& q = queue();
    std::call_once(q.loaded, [&q] { load(q); });
    return q.active;
}

int default_button(unsigned style) {
    int count = 0;
    const int* b = buttons_of(style, &count);
    unsigned index = (style & mb::DefMask) >> 8;
    return index < static_cast<unsigned>(count) ? b[index] : b[0];
}

bool has_button(unsigned style, int answer) {
    int count = 0;
    const int* b = buttons_of(style, &count);
    for (int i = 0; i < count; ++i)
        if (b[i] == answer) return true;
    return false;
}

int parse_answer(const char* word) {
    static const struct {
        const char* name;
        int id;
    } names[] = {{"ok", id::Ok},       {"cancel", id::Cancel}, {"abort", id::Abort},
                 {"retry", id::Retry}, {"ignore", id::Ignore}, {"yes", id::Yes},
                 {"no", id::No}};
    char lower[16] = {};
    std::size_t n = std::strlen(word);
    if (n == 0 || n >= sizeof lower) return 0;
    for (std::size_t i = 0; i < n; ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
    for (const auto& e : names)
        if (std::strcmp(lower, e.name) == 0) return e.id;
    char* end = nullptr;
    long v = std::strtol(lower, &end, 10);
    return (*end == 0 && v > 0 && v < 100) ? static_cast<int>(v) : 0;
}

int nobody_answers(unsigned style) {
    if ((style & mb::TypeMask) == mb::Ok) return id::Ok;
    std::fprintf(stderr, "jol: nobody can answer this box; it is cancelled\n");
    std::fflush(stderr);
    return id::Cancel;
}

int nobody_answers_choice() {
    std::fprintf(stderr, "jol: nobody can answer this box; it is cancelled\n");
    std::fflush(stderr);
    return 0;
}

int answer_queue_next(unsigned style) {
    Queue& q = queue();
    answer_queue_active();
    std::unique_lock<std::mutex> hold(q.lock);
    if (q.next >= q.answers.size()) {
        if (q.fallback == Fallback::Default) return default_button(style);
        hold.unlock();
        return nobody_answers(style);
    }
    const FormAnswer given = q.answers[q.next++];
    hold.unlock();
    const std::string word = a_word(given);
    const std::string lower = folded(word.c_str());
    if (lower == "default") return default_button(style);
    if (lower == "none") return nobody_answers(style);
    const int answer = parse_answer(word.c_str());
    if (answer == 0 || !has_button(style, answer)) {
        std::fprintf(stderr, "jol: scripted answer '%s' does not fit this box\n", word.c_str());
        return nobody_answers(style);
    }
    return answer;
}

int answer_queue_next_choice(const ChoiceButton* buttons, int count) {
    if (!buttons || count <= 0) return 0;
    Queue& q = queue();
    answer_queue_active();
    std::unique_lock<std::mutex> hold(q.lock);
    if (q.next >= q.answers.size()) {
        if (q.fallback == Fallback::Default) return buttons[0].id;
        hold.unlock();
        return nobody_answers_choice();
    }
    const FormAnswer given = q.answers[q.next++];
    hold.unlock();
    const std::string word = a_word(given);
    const std::string answer = folded(word.c_str());
    if (answer == "default") return buttons[0].id;
    if (answer == "none") return nobody_answers_choice();
    const int chosen = choice_of(buttons, count, word.c_str());
    if (chosen) return chosen;
    std::fprintf(stderr, "jol: scripted answer '%s' does not fit this box\n", word.c_str());
    return nobody_answers_choice();
}

int choice_of(const ChoiceButton* buttons, int count, const char* word) {
    const std::string answer = folded(word);
    for (int i = 0; i < count; ++i)
        if (answer == std::to_string(buttons[i].id) ||
            (buttons[i].label && answer == folded(buttons[i].label)))
            return buttons[i].id;
    return 0;
}

void answer_queue_push(int answer) {
    answer_queue_push(std::to_string(answer).c_str());
}

void answer_queue_push(const char* word) {
    Queue& q = queue();
    answer_queue_active();
    std::lock_guard<std::mutex> hold(q.lock);
    q.active = true;
    q.answers.push_back(word_answer(word ? word : ""));
}

void answer_queue_set(const char* text) {
    Queue& q = queue();
    answer_queue_active();
    std::lock_guard<std::mutex> hold(q.lock);
    q.active = true;
    q.answers.clear();
    q.next = 0;
    parse_answers(text ? text : "", q.answers);
    settle(q);
}

std::size_t answer_queue_pending() {
    Queue& q = queue();
    answer_queue_active();
    std::lock_guard<std::mutex> hold(q.lock);
    return q.answers.size() - q.next;
}

void answer_queue_reload() {
    Queue& q = queue();
    answer_queue_active();
    std::lock_guard<std::mutex> hold(q.lock);
    q.active = false;
    q.answers.clear();
    q.next = 0;
    load(q);
}

void answer_queue_clear() {
    Queue& q = queue();
    answer_queue_active();
    std::lock_guard<std::mutex> hold(q.lock);
    q.answers.erase(q.answers.begin() + static_cast<std::ptrdiff_t>(q.next), q.answers.end());
}

void write_box(const char* title, const char* text) {
    std::fprintf(stderr, "%s: %s\n", title ? title : "", text ? text : "");
    std::fflush(stderr);
}

} // namespace plat::detail
