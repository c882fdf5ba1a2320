// Starting programs natively: posix_spawn with an argument vector split by
// the Windows rules, never a shell. Documents open through xdg-open and
// xdg-mime; the session ends through logind.
#include "platform/launch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/desktop.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/native/paths.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/system_errors.h"

extern char** environ;

namespace plat {
namespace {

using detail::map_path;
using detail::windows_name;

struct Child {
    pid_t pid = 0;
    bool ended = false;
    std::uint32_t exit_code = 0;
};

std::mutex g_lock;
std::map<ProcessHandle, Child> g_children;
std::vector<pid_t> g_released;
ProcessHandle g_next = 1;

std::uint32_t ExitCodeOf(int status) {
    if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    return 0;
}

bool HasSeparator(const std::string& name) {
    return name.find_first_of("/\\:") != std::string::npos;
}

// Where a program file is: 0 with its POSIX path, else the error of the
// start (a file that exists but cannot be run is no program).
std::uint32_t CheckProgram(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOTDIR ? err::PathNotFound : err::FileNotFound;
    if (S_ISDIR(st.st_mode)) return err::AccessDenied;
    if (::access(path.c_str(), X_OK) != 0) return err::BadExeFormat;
    return 0;
}

// Finds the program of a command line: a name with a directory is a
// Windows name; a bare one is looked for along the PATH given.
std::uint32_t FindProgram(const std::string& name, const std::string& path_list, std::string* out) {
    if (name.empty()) return err::FileNotFound;
    if (HasSeparator(name)) {
        std::string posix;
        std::uint32_t error = 0;
        if (!map_path(name.c_str(), &posix, &error)) return error ? error : err::PathNotFound;
        const std::uint32_t e = CheckProgram(posix);
        if (e == 0) *out = posix;
        return e;
    }
    std::uint32_t found = err::FileNotFound;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = path_list.find(':', start);
        std::string dir =
            path_list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + name;
            const std::uint32_t e = CheckProgram(candidate);
            if (e == 0) {
                *out = candidate;
                return 0;
            }
            // A file that is there but cannot run tells more than none.
            if (e == err::BadExeFormat) found = e;
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return found;
}

// The PATH of a child: the prefix (a Windows list, ";"-separated, each
// entry mapped to its POSIX folder) before the library's own PATH.
std::string ChildPath(const char* prefix) {
    const char* own = std::getenv("PATH");
    std::string out;
    if (prefix && *prefix) {
        const std::string list = prefix;
        std::size_t start = 0;
        for (;;) {
            const std::size_t semi = list.find(';', start);
            const std::string entry =
                list.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
            std::string posix;
            std::uint32_t error = 0;
            if (!entry.empty() && map_path(entry.c_str(), &posix, &error)) {
                if (!out.empty()) out += ':';
                out += posix;
            }
            if (semi == std::string::npos) break;
            start = semi + 1;
        }
    }
    if (own && *own) {
        if (!out.empty()) out += ':';
        out += own;
    }
    return out;
}

// The nice value of a priority class (raising the priority needs a
// privilege the library does not ask for).
int NiceOf(std::uint32_t flags) {
    if (flags & create::IdlePriority) return 19;
    if (flags & create::BelowNormalPriority) return 10;
    return 0;
}

// Spawns argv with the environment given; 0 and the pid, else the errno.
int Spawn(const std::string& file, const std::vector<std::string>& args, char* const* env,
          const char* directory, bool new_group, int out_fd, pid_t* pid) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    if (directory && *directory) posix_spawn_file_actions_addchdir_np(&actions, directory);
    if (out_fd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
        posix_spawn_file_actions_addclose(&actions, out_fd);
    }
    // The child starts with no signal blocked and the default actions for
    // the signals a host may have taken over.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGCHLD, SIGHUP})
        sigaddset(&defaults, s);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (new_group) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attr, 0);
    }
    posix_spawnattr_setflags(&attr, flags);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    const int r = posix_spawn(pid, file.c_str(), &actions, &attr, argv.data(), env);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return r;
}

std::uint32_t ErrorOfSpawn(int e) {
    switch (e) {
    case ENOENT:
        return err::FileNotFound;
    case ENOTDIR:
        return err::PathNotFound;
    case ENOEXEC:
    case EACCES:
        return err::BadExeFormat;
    default:
        return err::GenFailure;
    }
}

ProcessHandle Track(pid_t pid) {
    std::lock_guard<std::mutex> hold(g_lock);
    const ProcessHandle h = g_next++;
    g_children[h].pid = pid;
    return h;
}

// Runs a tool with its output read back (at most 64 KB); false when it
// could not run or failed.
bool RunTool(const std::vector<std::string>& args, std::string* out) {
    std::string file;
    const char* path = std::getenv("PATH");
    if (FindProgram(args[0], path ? path : "", &file) != 0) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    pid_t pid = 0;
    const int r = Spawn(file, args, environ, nullptr, false, fds[1], &pid);
    ::close(fds[1]);
    if (r != 0) {
        ::close(fds[0]);
        return false;
    }
    out->clear();
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0 && out->size() < 65536) out->append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    while (!out->empty() && (out->back() == '\n' || out->back() == '\r'))
        out->pop_back();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The shown top-level windows of a process on the display (a window the
// program has made but not yet mapped cannot be given a state).
std::vector<Hwnd> WindowsOf(pid_t pid) {
    std::vector<Hwnd> out;
    if (!pid || !desk::available()) return out;
    for (Hwnd w : desk::top_level_windows())
        if (desk::window_process(w) == static_cast<std::uint32_t>(pid) && desk::is_visible(w))
            out.push_back(w);
    return out;
}

pid_t PidOf(ProcessHandle p) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_children.find(p);
    return it == g_children.end() ? 0 : it->second.pid;
}

// The extension of a POSIX path's last component, with its dot ("" when
// none).
std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

// The default value of a key under the classes root, "" when none.
std::string ClassValue(const std::string& subkey) {
    RegKey key = 0;
    if (reg_open_key(reg_root(RegRoot::ClassesRoot), subkey.c_str(), false, &key) != 0) return "";
    char data[1024] = {};
    std::uint32_t type = 0, size = sizeof data - 1;
    const std::uint32_t r = reg_query_value(key, "", &type, data, &size);
    reg_close(key);
    if (r != 0 || (type != regtype::String && type != regtype::ExpandString)) return "";
    data[sizeof data - 1] = 0;
    return data;
}

} // namespace

std::uint32_t start_process(const StartRequest& request, ProcessHandle* out) {
    *out = 0;
    reap_released_processes();
    const std::vector<std::string> args = split_command_line(request.command_line);
    const std::string child_path = ChildPath(request.path_prefix);
    std::string file;
    if (const std::uint32_t e = FindProgram(args.empty() ? "" : args[0], child_path, &file))
        return e;
    std::string directory;
    if (request.directory && *request.directory) {
        std::uint32_t error = 0;
        if (!map_path(request.directory, &directory, &error)) return err::PathNotFound;
        struct stat st {};
        if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return err::PathNotFound;
    }
    // The child's own environment: the library's, with its PATH.
    std::vector<std::string> entries;
    bool path_set = false;
    for (char** e = environ; e && *e; ++e) {
        if (std::strncmp(*e, "PATH=", 5) == 0) {
            entries.push_back("PATH=" + child_path);
            path_set = true;
        } else {
            entries.emplace_back(*e);
        }
    }
    if (!path_set && !child_path.empty()) entries.push_back("PATH=" + child_path);
    std::vector<char*> env;
    for (std::string& e : entries)
        env.push_back(e.data());
    env.push_back(nullptr);

    const std::uint32_t flags = request.creation_flags & create::Allowed;
    pid_t pid = 0;
    const int r = Spawn(file, args, env.data(), directory.c_str(),
                        (flags & create::NewProcessGroup) != 0, -1, &pid);
    if (r != 0) return ErrorOfSpawn(r);
    if (const int nice = NiceOf(flags)) ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), nice);
    *out = Track(pid);
    return 0;
}

int wait_process_ready(ProcessHandle p, std::uint32_t ms) {
    const pid_t pid = PidOf(p);
    if (!pid || !desk::available()) return -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        std::uint32_t code = 0;
        if (process_ended(p, &code)) return -1;
        if (!WindowsOf(pid).empty()) return 1;
        if (std::chrono::steady_clock::now() >= until) return 0;
        sleep_ms(20);
    }
}

bool ready_wait_needed(int show) {
    return show != kShowNormal;
}

bool apply_show(ProcessHandle p, int show) {
    const pid_t pid = PidOf(p);
    const std::vector<Hwnd> windows = WindowsOf(pid);
    if (windows.empty()) return false;
    bool ok = true;
    for (Hwnd w : windows) {
        switch (show) {
        case kShowHidden:
            ok = desk::show(w, desk::Show::Hide) && ok;
            break;
        case kShowMinimized:
            ok = desk::command(w, desk::Command::Minimize) && ok;
            break;
        case kShowMaximized:
            ok = desk::command(w, desk::Command::Maximize) && ok;
            break;
        default:
            break;
        }
    }
    return ok;
}

bool process_ended(ProcessHandle p, std::uint32_t* exit_code) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_children.find(p);
    if (it == g_children.end()) return true;
    Child& c = it->second;
    if (!c.ended) {
        int status = 0;
        const pid_t r = ::waitpid(c.pid, &status, WNOHANG);
        if (r == c.pid) {
            c.ended = true;
            c.exit_code = ExitCodeOf(status);
        } else if (r < 0 && errno == ECHILD) {
            c.ended = true; // reaped elsewhere: its code is lost
        }
    }
    if (c.ended && exit_code) *exit_code = c.exit_code;
    return c.ended;
}

std::uint32_t process_id(ProcessHandle p) {
    return static_cast<std::uint32_t>(PidOf(p));
}

void close_process(ProcessHandle p) {
    std::uint32_t code = 0;
    const bool ended = process_ended(p, &code);
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_children.find(p);
    if (it == g_children.end()) return;
    if (!ended) g_released.push_back(it->second.pid);
    g_children.erase(it);
}

void reap_released_processes() {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<pid_t> running;
    for (pid_t pid : g_released) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == 0) running.push_back(pid);
    }
    g_released.swap(running);
}

int shell_execute(Hwnd, const char* verb, const char* file, const char* parameters,
                  const char* directory, int show) {
    constexpr int kOk = 42, kNotFound = 2, kPathNotFound = 3, kNoAssociation = 31;
    if (!file || !*file) return kNotFound;
    const std::string v = verb ? verb : "";
    std::string name = file;
    std::string posix;
    std::uint32_t error = 0;
    const bool url = name.find("://") != std::string::npos;
    if (!url) {
        if (!map_path(file, &posix, &error)) return kPathNotFound;
        struct stat st {};
        if (::stat(posix.c_str(), &st) != 0) return errno == ENOTDIR ? kPathNotFound : kNotFound;
    }
    const bool open = v.empty() || strcasecmp(v.c_str(), "open") == 0;
    // A program is started with the parameters.
    if (!url && open && CheckProgram(posix) == 0) {
        std::string line = quote_argument(name);
        if (parameters && *parameters) line += std::string(" ") + parameters;
        StartRequest r;
        r.command_line = line.c_str();
        r.directory = directory;
        r.show = show;
        ProcessHandle h = 0;
        const std::uint32_t e = start_process(r, &h);
        if (e) return e == err::PathNotFound ? kPathNotFound : kNotFound;
        close_process(h);
        return kOk;
    }
    std::vector<std::string> args;
    if (open) {
        args = {"xdg-open", url ? name : posix};
    } else {
        // Another verb: the command the classes keep for the extension.
        std::string cls = ClassValue(ExtensionOf(posix));
        std::string command;
        if (!cls.empty()) command = ClassValue(cls + "\\shell\\" + v + "\\command");
        if (command.empty())
            command = ClassValue(ExtensionOf(posix) + "\\shell\\" + v + "\\command");
        if (command.empty()) return kNoAssociation;
        const std::size_t at = command.find("%1");
        if (at != std::string::npos)
            command.replace(at, 2, name);
        else
            command += " " + quote_argument(name);
        StartRequest r;
        r.command_line = command.c_str();
        r.directory = directory;
        r.show = show;
        ProcessHandle h = 0;
        if (start_process(r, &h) != 0) return kNoAssociation;
        close_process(h);
        return kOk;
    }
    std::string tool;
    const char* path = std::getenv("PATH");
    if (FindProgram(args[0], path ? path : "", &tool) != 0) return kNoAssociation;
    pid_t pid = 0;
    if (Spawn(tool, args, environ, nullptr, false, -1, &pid) != 0) return kNoAssociation;
    // xdg-open runs the document's program itself and ends with it: a
    // quick end tells whether it found one; one still running after a few
    // seconds has started it.
    const ProcessHandle h = Track(pid);
    std::uint32_t code = 0;
    for (int i = 0; i < 150; ++i) {
        if (process_ended(h, &code)) break;
        sleep_ms(20);
    }
    const bool ended = process_ended(h, &code);
    close_process(h);
    if (!ended || code == 0) return kOk;
    return code == 2 ? kNotFound : kNoAssociation;
}

bool find_executable(const char* file, const char* directory, char* out, std::size_t out_size) {
    if (!file || !*file || !out || out_size == 0) return false;
    std::string posix;
    std::uint32_t error = 0;
    std::string name = file;
    if (!HasSeparator(name) && directory && *directory) name = std::string(directory) + "\\" + name;
    if (!map_path(name.c_str(), &posix, &error)) return false;
    std::string type, entry;
    if (!RunTool({"xdg-mime", "query", "filetype", posix}, &type) || type.empty()) return false;
    const std::size_t semi = type.find(';');
    if (semi != std::string::npos) type.resize(semi);
    if (!RunTool({"xdg-mime", "query", "default", type}, &entry) || entry.empty()) return false;
    // The desktop entry, in the data folders of the desktop's search order.
    std::vector<std::string> dirs;
    const char* home = std::getenv("XDG_DATA_HOME");
    const char* user = std::getenv("HOME");
    if (home && *home)
        dirs.emplace_back(home);
    else if (user)
        dirs.push_back(std::string(user) + "/.local/share");
    const char* data_dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = data_dirs && *data_dirs ? data_dirs : "/usr/local/share:/usr/share";
    for (std::size_t start = 0;;) {
        const std::size_t colon = list.find(':', start);
        dirs.push_back(
            list.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    for (const std::string& d : dirs) {
        FILE* f = std::fopen((d + "/applications/" + entry).c_str(), "r");
        if (!f) continue;
        char line[2048];
        std::string exec;
        bool in_entry = false;
        while (std::fgets(line, sizeof line, f)) {
            std::string l = line;
            while (!l.empty() && (l.back() == '\n' || l.back() == '\r'))
                l.pop_back();
            if (!l.empty() && l[0] == '[') in_entry = l == "[Desktop Entry]";
            if (in_entry && l.compare(0, 5, "Exec=") == 0) {
                exec = l.substr(5);
                break;
            }
        }
        std::fclose(f);
        if (exec.empty()) return false;
        std::string program, rest;
        split_program(exec.c_str(), &program, &rest);
        std::string full;
        const char* path = std::getenv("PATH");
        if (FindProgram(program, path ? path : "", &full) != 0) return false;
        const std::string windows = windows_name(full);
        if (windows.size() + 1 > out_size) return false;
        std::memcpy(out, windows.c_str(), windows.size() + 1);
        return true;
    }
    return false;
}

std::uint32_t end_session_request(SessionEnd what, bool force) {
    // The privilege: logind must allow the user to restart or power off.
    if (what != SessionEnd::LogOff) {
        std::string answer;
        const char* method = what == SessionEnd::Restart ? "CanReboot" : "CanPowerOff";
        if (!RunTool({"busctl", "call", "org.freedesktop.login1", "/org/freedesktop/login1",
                      "org.freedesktop.login1.Manager", method},
                     &answer) ||
            answer != "s \"yes\"")
            return err::PrivilegeNotHeld;
    }
    const char* names[] = {"logoff", "restart", "shutdown"};
    const char* name = names[static_cast<int>(what)];
    if (const char* log = std::getenv("JOL_SESSION_REQUESTS")) {
        FILE* f = std::fopen(log, "ab");
        if (!f) return err::AccessDenied;
        std::fprintf(f, "%s%s\n", name, force ? " force" : "");
        return std::fclose(f) == 0 ? 0 : err::AccessDenied;
    }
    std::string ignored;
    bool ok = false;
    if (what == SessionEnd::LogOff) {
        const char* session = std::getenv("XDG_SESSION_ID");
        if (!session || !*session) return err::AccessDenied;
        ok = RunTool({"loginctl", "terminate-session", session}, &ignored);
    } else {
        // A forced request does not wait for inhibitors.
        std::vector<std::string> args = {"systemctl",
                                         what == SessionEnd::Restart ? "reboot" : "poweroff"};
        if (force) args.emplace_back("--ignore-inhibitors");
        ok = RunTool(args, &ignored);
    }
    return ok ? 0 : err::AccessDenied;
}

} // namespace plat
