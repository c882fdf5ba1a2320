// Process services of the native backend: version facts, modules, the
// environment, the current directory, sleeping, message boxes and the
// debugger output.
#include <dlfcn.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/answer_queue.h"
#include "platform/boxes.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/native/open_files.h"
#include "platform/native/paths.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

thread_local std::uint32_t t_last_error = 0;

// Variables whose names begin with "=" (the per-drive current directories
// that command interpreters keep) cannot live in the POSIX environment; the
// backend keeps them beside it.
std::map<std::string, std::string>& hidden_env() {
    static std::map<std::string, std::string> vars;
    return vars;
}
std::mutex g_env_lock;
// The process's critical-error mode (errmode bits); while it fails
// critical errors, notes about libraries that fail to load are held back.
std::uint32_t g_error_mode = 0;

std::size_t copy_out(const char* text, char* out, std::size_t out_size) {
    std::size_t n = std::strlen(text);
    if (out && out_size) {
        std::size_t m = n < out_size - 1 ? n : out_size - 1;
        std::memcpy(out, text, m);
        out[m] = 0;
    }
    return n;
}

bool is_file(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Reads one answer line from the terminal; false at the end of input.
bool read_answer(char* line, std::size_t size) {
    if (!std::fgets(line, static_cast<int>(size), stdin)) return false;
    line[std::strcspn(line, "\r\n")] = 0;
    return true;
}

// Asks on the terminal for the answer of a box, its default button in
// capitals; an empty line takes the default button, the end of input
// leaves the box unanswered.
int ask_terminal(unsigned style) {
    static const char* const names[] = {"",      "ok",     "cancel", "abort",
                                        "retry", "ignore", "yes",    "no"};
    static const int buttons[][3] = {{id::Ok, 0, 0},
                                     {id::Ok, id::Cancel, 0},
                                     {id::Abort, id::Retry, id::Ignore},
                                     {id::Yes, id::No, id::Cancel},
                                     {id::Yes, id::No, 0},
                                     {id::Retry, id::Cancel, 0}};
    const unsigned type = (style & mb::TypeMask) < 6 ? (style & mb::TypeMask) : 0;
    const int preset = detail::default_button(style);
    std::string prompt = "[";
    for (int b : buttons[type]) {
        if (!b) break;
        if (prompt.size() > 1) prompt += '/';
        std::string name = names[b];
        if (b == preset)
            for (char& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        prompt += name;
    }
    prompt += "]";
    for (;;) {
        std::fprintf(stderr, "%s ", prompt.c_str());
        std::fflush(stderr);
        char line[64];
        if (!read_answer(line, sizeof line)) return detail::nobody_answers(style);
        if (!*line) return preset;
        int answer = detail::parse_answer(line);
        if (answer && detail::has_button(style, answer)) return answer;
    }
}

// The same for a box of the caller's own buttons, named by id or label.
int ask_terminal_choice(const ChoiceButton* buttons, int count) {
    std::string prompt = "[";
    for (int i = 0; i < count; ++i) {
        if (i) prompt += " / ";
        prompt += std::to_string(buttons[i].id) + " " + (buttons[i].label ? buttons[i].label : "");
    }
    prompt += "]";
    for (;;) {
        std::fprintf(stderr, "%s ", prompt.c_str());
        std::fflush(stderr);
        char line[256];
        if (!read_answer(line, sizeof line)) return detail::nobody_answers_choice();
        if (!*line) return buttons[0].id;
        if (int chosen = detail::choice_of(buttons, count, line)) return chosen;
    }
}

} // namespace

std::uint32_t get_last_error() {
    return t_last_error;
}

void set_last_error(std::uint32_t code) {
    t_last_error = code;
}

VersionInfo get_version() {
    // The native backend presents itself as a member of the Windows NT
    // family, version 6.1.
    VersionInfo v;
    v.major = 6;
    v.minor = 1;
    v.build = 7601;
    v.platform_id = 2;
    return v;
}

bool dbcs_enabled() {
    const char* cp = std::getenv("JOL_CODEPAGE");
    if (!cp) return false;
    int n = std::atoi(cp);
    return n == 932 || n == 936 || n == 949 || n == 950;
}

Module load_library(const char* path) {
    if (!path || !*path) {
        set_last_error(err::InvalidParameter);
        return 0;
    }
    // A name in the library's own form (a drive, backslashes), as the file
    // search gives it, is mapped onto its POSIX path; a bare name goes to
    // the loader's own search.
    std::string mapped;
    const bool windows_form = std::strchr(path, '\\') ||
                              (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':');
    if (windows_form) {
        std::uint32_t error = 0;
        if (!detail::map_path(path, &mapped, &error)) {
            set_last_error(error ? error : 126u);
            return 0;
        }
        path = mapped.c_str();
    }
    void* h = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        set_last_error(access(path, F_OK) == 0 ? 193u : 126u); // bad format / not found
        if (!(g_error_mode & errmode::FailCriticalErrors))
            std::fprintf(stderr, "jol: %s\n", ::dlerror());
        return 0;
    }
    return reinterpret_cast<Module>(h);
}

void* get_proc_address(Module m, const char* name) {
    if (!m || !name) return nullptr;
    void* p = ::dlsym(reinterpret_cast<void*>(m), name);
    if (!p) set_last_error(err::ProcNotFound);
    return p;
}

void* get_proc_ordinal(Module m, int, const char* name) {
    return get_proc_address(m, name); // ELF modules export names only
}

bool automation_libraries_present() {
    return false; // Linux has no OLE
}

bool free_library(Module m) {
    return m && ::dlclose(reinterpret_cast<void*>(m)) == 0;
}

Module module_of_address(const void* address) {
    Dl_info info;
    if (!::dladdr(address, &info)) return 0;
    return reinterpret_cast<Module>(info.dli_fbase);
}

std::size_t executable_path(char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    char full[4096];
    const ssize_t n = ::readlink("/proc/self/exe", full, sizeof full);
    // A name that fills the buffer may have been cut; one that does not
    // fit out is not given cut either.
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof full ||
        static_cast<std::size_t>(n) >= out_size)
        return 0;
    std::memcpy(out, full, static_cast<std::size_t>(n));
    out[n] = 0;
    return static_cast<std::size_t>(n);
}

Module module_handle(const char* name) {
    if (!name || !*name) return 0;
    // Only libraries that are already mapped are reported; RTLD_NOLOAD
    // takes a reference, which is given back at once.
    void* h = ::dlopen(name, RTLD_NOW | RTLD_NOLOAD);
    if (!h) {
        set_last_error(126u);
        return 0;
    }
    ::dlclose(h);
    return reinterpret_cast<Module>(h);
}

bool suppress_error_boxes(bool suppress) {
    const std::uint32_t quiet = errmode::FailCriticalErrors | errmode::NoOpenFileErrorBox;
    const std::uint32_t old = g_error_mode;
    g_error_mode = suppress ? quiet : (old & ~quiet);
    return (old & quiet) != 0;
}

std::uint32_t set_error_mode(std::uint32_t mode) {
    const std::uint32_t old = g_error_mode;
    g_error_mode = mode;
    return old;
}

bool search_path(const char* file, char* out, std::size_t out_size) {
    if (!file || !*file) return false;
    std::string name = file;
    auto found = [&](const std::string& p) {
        if (!is_file(p)) return false;
        if (!out) return true;
        char here[4096];
        if (p[0] != '/' && ::getcwd(here, sizeof here))
            copy_out((std::string(here) + "/" + (p.compare(0, 2, "./") ? p : p.substr(2))).c_str(),
                     out, out_size);
        else
            copy_out(p.c_str(), out, out_size);
        return true;
    };
    if (name.find('/') != std::string::npos) return found(name);
    if (found("./" + name)) return true;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && found(dir + "/" + name)) return true;
        start = end + 1;
    }
    return false;
}

int message_box(Hwnd, const char* text, const char* title, unsigned style) {
    detail::write_box(title, text);
    if (detail::answer_queue_active()) return detail::answer_queue_next(style);
    if (::isatty(STDIN_FILENO)) return ask_terminal(style);
    return detail::nobody_answers(style);
}

int choice_box(Hwnd, const char* title, const char* const* lines, int line_count,
               const ChoiceButton* buttons, int button_count) {
    if (!buttons || button_count <= 0) return 0;
    std::string text;
    for (int i = 0; i < line_count; ++i) {
        if (i) text += ' ';
        text += lines[i] ? lines[i] : "";
    }
    detail::write_box(title, text.c_str());
    if (detail::answer_queue_active())
        return detail::answer_queue_next_choice(buttons, button_count);
    if (::isatty(STDIN_FILENO)) return ask_terminal_choice(buttons, button_count);
    return detail::nobody_answers_choice();
}

void sleep_ms(unsigned ms) {
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

std::size_t get_current_directory(char* out, std::size_t out_size) {
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) {
        if (out && out_size) *out = 0;
        return 0;
    }
    return copy_out(buf, out, out_size);
}

// The name is a Windows name (platform/native/paths.cpp maps it).
bool set_current_directory(const char* path) {
    char mapped[4096];
    if (!system_path(path, mapped, sizeof mapped)) return false;
    if (::chdir(mapped) != 0) {
        set_last_error(errno == ENOENT ? err::FileNotFound : err::PathNotFound);
        return false;
    }
    return true;
}

std::size_t get_env(const char* name, char* out, std::size_t out_size) {
    if (name && name[0] == '=') {
        std::lock_guard<std::mutex> hold(g_env_lock);
        auto it = hidden_env().find(name);
        if (it != hidden_env().end()) return copy_out(it->second.c_str(), out, out_size);
        if (out && out_size) *out = 0;
        return 0;
    }
    const char* v = name ? std::getenv(name) : nullptr;
    if (!v) {
        if (out && out_size) *out = 0;
        return 0;
    }
    return copy_out(v, out, out_size);
}

bool set_env(const char* name, const char* value) {
    if (!name || !*name || std::strchr(name + 1, '=')) return false;
    if (name[0] == '=') {
        std::lock_guard<std::mutex> hold(g_env_lock);
        if (value)
            hidden_env()[name] = value;
        else
            hidden_env().erase(name);
        return true;
    }
    if (!value) return ::unsetenv(name) == 0;
    return ::setenv(name, value, 1) == 0;
}

void debug_output(const char* text) {
    // The system debugger of the native backend is standard error, when
    // JOL_DEBUG_OUTPUT asks for it.
    if (std::getenv("JOL_DEBUG_OUTPUT") && text) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
}

bool end_session() {
    set_last_error(err::AccessDenied);
    return false;
}

} // namespace plat

namespace plat {

bool close_file(FileHandle f) {
    if (f == 0) return false;
    detail::note_close(static_cast<int>(f - 1));
    return ::close(static_cast<int>(f - 1)) == 0;
}

} // namespace plat
