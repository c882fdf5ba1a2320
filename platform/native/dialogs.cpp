// The standard dialogs on a system without dialog controls: they ask on
// the terminal when standard input is one, and otherwise cannot be
// created. Every dialog is first written to standard error as
// "title: text", as the boxes are.
//
// On the terminal: a line is typed and ended with Enter (an empty line
// keeps the default text); a password is typed without echo; a list is
// shown numbered and answered with the numbers of the entries; the end of
// input (Ctrl+D) cancels the dialog.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/answer_queue.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"

namespace plat {
namespace {

// Reads a line from standard input, without its line end; false at the
// end of input before any character.
bool read_line(std::string* line) {
    line->clear();
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return !line->empty();
        if (c == '\n') return true;
        if (c != '\r') *line += c;
    }
}

// The same with the terminal's echo switched off.
bool read_secret(std::string* line) {
    termios old{};
    const bool tty = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (tty) {
        termios quiet = old;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const bool got = read_line(line);
    if (tty) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    return got;
}

void say(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

// Reads the numbers of a line (1-based, separated by blanks or commas)
// into indexes below count; false when the line holds anything else.
bool read_numbers(const std::string& line, std::size_t count, std::vector<std::size_t>* out) {
    out->clear();
    const char* p = line.c_str();
    while (*p) {
        if (*p == ' ' || *p == ',' || *p == '\t') {
            ++p;
            continue;
        }
        char* end = nullptr;
        const unsigned long n = std::strtoul(p, &end, 10);
        if (end == p || n < 1 || n > count) return false;
        out->push_back(static_cast<std::size_t>(n - 1));
        p = end;
    }
    return true;
}

} // namespace

DialogEnd line_dialog(const LineDialog& d, std::string* answer) {
    detail::write_box(d.title, d.prompt);
    answer->clear();
    if (!::isatty(STDIN_FILENO)) {
        say("jol: nobody can answer this dialog\n");
        return DialogEnd::Failed;
    }
    std::string line;
    if (d.password) {
        say("password (Ctrl+D cancels): ");
        if (!read_secret(&line)) return DialogEnd::Cancel;
    } else {
        say(std::string("[") + d.initial + "] (Enter keeps it, Ctrl+D cancels): ");
        if (!read_line(&line)) return DialogEnd::Cancel;
        if (line.empty()) line = d.initial;
    }
    *answer = line;
    return DialogEnd::Ok;
}

DialogEnd list_dialog(const ListDialog& d, std::vector<std::string>* selected,
                      bool* selection_lost) {
    *selection_lost = false;
    selected->clear();
    std::vector<std::string> items = d.items ? *d.items : std::vector<std::string>();
    std::string shown;
    for (std::size_t i = 0; i < items.size(); ++i)
        shown += (i ? "|" : "") + items[i];
    detail::write_box(d.title, shown.c_str());
    if (!::isatty(STDIN_FILENO)) {
        say("jol: nobody can answer this dialog\n");
        return DialogEnd::Failed;
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        say("  " + std::to_string(i + 1) + ". " + items[i] + "\n");
    const char* ask = d.multiple ? "numbers (Enter for none, Ctrl+D cancels): "
                                 : "number (Enter for none, Ctrl+D cancels): ";
    for (;;) {
        say(ask);
        std::string line;
        if (!read_line(&line)) return DialogEnd::Cancel;
        std::vector<std::size_t> chosen;
        if (!read_numbers(line, items.size(), &chosen)) continue;
        if (!d.multiple && chosen.size() > 1) continue;
        // In the order of the list, each entry once.
        std::vector<bool> on(items.size(), false);
        for (std::size_t i : chosen)
            on[i] = true;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (on[i]) selected->push_back(items[i]);
        return DialogEnd::Ok;
    }
}

int timed_dialog(const TimedDialog& d) {
    detail::write_box(d.title, d.text);
    if (!::isatty(STDIN_FILENO)) return 0;
    say("(Enter closes it)\n");
    // Waits for the time or for a line from the user.
    unsigned left = d.ms;
    while (left > 0) {
        const unsigned step = left < 30000 ? left : 30000;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(step));
        if (r < 0 && errno == EINTR) continue;
        if (r > 0) {
            std::string line;
            read_line(&line);
            return 1;
        }
        left -= step;
    }
    return 0;
}

DialogEnd file_dialog(const FileDialog& d, std::string* name) {
    detail::write_box(d.title, d.directory);
    name->clear();
    if (!::isatty(STDIN_FILENO)) {
        say("jol: nobody can answer this dialog\n");
        return DialogEnd::Failed;
    }
    std::string types;
    for (std::size_t i = 0; d.filter && i + 1 < d.filter_size && d.filter[i];) {
        const std::string description = d.filter + i;
        i += description.size() + 1;
        if (i >= d.filter_size || !d.filter[i]) break;
        const std::string pattern = d.filter + i;
        i += pattern.size() + 1;
        types += "  " + description + " (" + pattern + ")\n";
    }
    say(types);
    for (;;) {
        say(std::string(d.open ? "open" : "save") + " [" + d.initial +
            "] (Enter keeps it, Ctrl+D cancels): ");
        std::string line;
        if (!read_line(&line)) return DialogEnd::Cancel;
        if (line.empty()) line = d.initial;
        if (line.empty()) continue;
        *name = line;
        return DialogEnd::Ok;
    }
}

int replace_box(Hwnd owner, const char* title, const char* const lines[6],
                const ChoiceButton buttons[8]) {
    return choice_box(owner, title, lines, 6, buttons, 8);
}

} // namespace plat
