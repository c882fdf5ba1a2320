#include "lib/desktop/launch.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lang/value.h"
#include "lib/data/file_names.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/input.h"
#include "platform/launch.h"
#include "platform/processes.h"
#include "platform/profiles.h"
#include "platform/registry.h"
#include "platform/shortcuts.h"
#include "platform/sound.h"
#include "platform/system_errors.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr int kNoWait = 33;
constexpr int kWait = 34;
constexpr std::uint32_t kInputIdleMs = 10000;
constexpr unsigned kPollMs = 500;
constexpr unsigned kSliceMs = 50;
constexpr int kAppTests = 8;
constexpr char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr std::size_t kValueSize = 1024;

namespace id {
constexpr int AppExist = 116;
constexpr int RunHide = 347;
constexpr int RunHideWait = 348;
constexpr int RunIcon = 349;
constexpr int RunIconWait = 350;
constexpr int RunShell = 351;
constexpr int RunWait = 352;
constexpr int RunZoom = 353;
constexpr int RunZoomWait = 354;
} // namespace id

// ------------------------------------------------------------ names

bool HasDirectory(const char* name) {
    return LastComponent(name) != name;
}

// The root name (without directory and extension) and the extension
// (without its dot) of a name.
void NameParts(const char* name, std::string* root, std::string* ext) {
    const char* base = LastComponent(name);
    const char* dot = nullptr;
    for (const char* p = base; *p; ++p) {
        if (plat::is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) {
            ++p;
            continue;
        }
        if (*p == '.') dot = p;
    }
    if (dot) {
        root->assign(base, dot);
        ext->assign(dot + 1);
    } else {
        root->assign(base);
        ext->clear();
    }
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = plat::to_upper_char(c);
    return s;
}

// A program name in double quotes, unless it begins with one already.
std::string Quoted(const std::string& program) {
    if (!program.empty() && program[0] == '"') return program;
    return "\"" + program + "\"";
}

// ------------------------------------------------------------ registry

// A string value of a key; "" when the key or the value is missing.
std::string ReadString(plat::RegKey key, const char* name) {
    char data[kValueSize] = {};
    std::uint32_t type = 0, size = sizeof data - 1;
    if (plat::reg_query_value(key, name, &type, data, &size) != 0) return "";
    if (type != plat::regtype::String && type != plat::regtype::ExpandString) return "";
    data[sizeof data - 1] = 0;
    return data;
}

// The registered application of a program: its App Paths key's default
// value and "Path" value. False when there is no such key.
bool AppPath(const char* program, std::string* registered, std::string* folders) {
    std::string root, ext;
    NameParts(program, &root, &ext);
    if (root.empty()) return false;
    std::string name = kAppPaths + Upper(root);
    if (!ext.empty()) name += "." + Upper(ext);
    const plat::RegKey machine = plat::reg_root(plat::RegRoot::LocalMachine);
    plat::RegKey key = 0;
    if (plat::reg_open_key(machine, name.c_str(), false, &key) != 0) {
        if (!ext.empty()) return false;
        name += ".EXE";
        if (plat::reg_open_key(machine, name.c_str(), false, &key) != 0) return false;
    }
    *registered = ReadString(key, "");
    *folders = ReadString(key, "Path");
    plat::reg_close(key);
    return true;
}

// Whether two names name the same file (by their short names where the
// system has them).
bool SameFile(const std::string& a, const std::string& b) {
    char sa[300], sb[300];
    const std::size_t na = plat::short_path_name(a.c_str(), sa, sizeof sa);
    const std::size_t nb = plat::short_path_name(b.c_str(), sb, sizeof sb);
    if (na && nb) return plat::same_text_ignoring_case(sa, sb);
    return plat::same_text_ignoring_case(a, b);
}

// The document's registered open command; "" when none.
std::string OpenCommand(const std::string& ext) {
    if (ext.empty()) return "";
    const plat::RegKey classes = plat::reg_root(plat::RegRoot::ClassesRoot);
    auto value_of = [&](const std::string& subkey) {
        plat::RegKey key = 0;
        if (plat::reg_open_key(classes, subkey.c_str(), false, &key) != 0) return std::string();
        std::string v = ReadString(key, "");
        plat::reg_close(key);
        return v;
    };
    const std::string dotted = "." + ext;
    const std::string cls = value_of(dotted);
    std::string command;
    if (!cls.empty()) command = value_of(cls + "\\shell\\open\\command");
    if (command.size() <= 1) command = value_of(dotted + "\\shell\\open\\command");
    return command.size() <= 1 ? std::string() : command;
}

// ------------------------------------------------------------ waiting

// Waits ms in short slices with the message pump; false when the script
// was cancelled meanwhile.
bool PumpedWait(ScriptContext* ctx, unsigned ms) {
    for (unsigned waited = 0; waited < ms; waited += kSliceMs) {
        PumpMessages(ctx);
        if (ctx->cancel) return false;
        plat::sleep_ms(kSliceMs);
    }
    PumpMessages(ctx);
    return !ctx->cancel;
}

// After a start: the wait for the program to be ready for input (natively
// only for a display mode to apply), the mode applied where the start
// could not, and with @WAIT the wait for its end. The handle is released.
void AfterStart(ScriptContext* ctx, plat::ProcessHandle p, int mode, bool wait) {
    if (plat::ready_wait_needed(mode)) {
        const std::uint32_t start = plat::tick_count();
        while (plat::tick_count() - start < kInputIdleMs && !ctx->cancel) {
            const int r = plat::wait_process_ready(p, 100);
            if (r != 0) break;
            PumpMessages(ctx);
        }
    }
    if (mode != plat::kShowNormal) plat::apply_show(p, mode);
    if (wait) {
        std::uint32_t code = 0;
        while (!plat::process_ended(p, &code) && !ctx->cancel) {
            for (unsigned waited = 0; waited < kPollMs && !ctx->cancel; waited += kSliceMs) {
                if (plat::process_ended(p, &code)) break;
                plat::sleep_ms(kSliceMs);
            }
            PumpMessages(ctx);
        }
    }
    plat::close_process(p);
}

// Starts a command line; the system's error, 0 on success (the handle in
// *out).
std::uint32_t Start(ScriptContext* ctx, const std::string& line, const char* directory, int mode,
                    const char* path_prefix, plat::ProcessHandle* out) {
    if (line.size() > kCommandLineMax) return plat::err::FilenameTooLong;
    plat::StartRequest r;
    r.command_line = line.c_str();
    r.directory = directory && *directory ? directory : nullptr;
    r.show = mode;
    r.creation_flags =
        static_cast<std::uint32_t>(ctx->options.process_creation_flags) & plat::create::Allowed;
    r.path_prefix = path_prefix;
    return plat::start_process(r, out);
}

// The command line of a program and its parameters.
std::string CommandLine(const std::string& program, const char* parameters) {
    std::string line = Quoted(program);
    if (parameters && *parameters) {
        line += ' ';
        line += parameters;
    }
    return line;
}

// ------------------------------------------------------------ shortcuts

int ModeOfShowCommand(int show_command) {
    switch (show_command) {
    case plat::kShortcutShowMinNoActive:
    case 2: // minimized
    case 6: // minimize
        return plat::kShowMinimized;
    case plat::kShortcutShowMaximized:
        return plat::kShowMaximized;
    case 0:
        return plat::kShowHidden;
    default:
        return plat::kShowNormal;
    }
}

// Starts the program of a shortcut file; false when it cannot be read or
// its program cannot be started.
bool StartShortcut(ScriptContext* ctx, const char* file, const char* parameters,
                   const char* directory, bool wait) {
    plat::ShortcutInfo info;
    if (plat::read_shortcut(file, &info) != plat::ShortcutStatus::Ok || !info.target[0])
        return false;
    const char* args = info.arguments[0] ? info.arguments : parameters;
    const char* dir = info.directory[0] ? info.directory : directory;
    const int mode = info.show_command ? ModeOfShowCommand(info.show_command) : plat::kShowNormal;
    plat::ProcessHandle p = 0;
    if (Start(ctx, CommandLine(info.target, args), dir, mode, nullptr, &p) != 0) return false;
    AfterStart(ctx, p, mode, wait);
    return true;
}

// ------------------------------------------------------------ launcher

enum class Caller { Run, Print };

// The shell's answers that have a message of their own (1900 + answer).
bool HasWinExecMessage(int r) {
    return r == 0 || r == 2 || r == 3 || r == 5 || r == 6 || r == 8 || (r >= 10 && r <= 21);
}

int Launch(ScriptContext* ctx, const char* program, const char* parameters, const char* directory,
           long long mode_arg, long long wait_arg, Caller caller) {
    if (wait_arg != kNoWait && wait_arg != kWait) return Raise(ctx, Err::RunWaitBad);
    if (mode_arg != -1 && mode_arg != 1 && mode_arg != 2 && mode_arg != 3)
        return Raise(ctx, Err::RunDisplayBad);
    const int mode = static_cast<int>(mode_arg);
    const bool wait = wait_arg == kWait;
    if (caller == Caller::Print && wait) return Raise(ctx, Err::PrintWaitUnsupported);
    if (ctx->sounds && mode != plat::kShowHidden) plat::play_system_sound("StartProgram");

    if (caller == Caller::Print) {
        const int r =
            plat::shell_execute(ctx->host_parent, "print", program, parameters, directory, mode);
        if (r > 32) return 1;
        if (HasWinExecMessage(r)) return Raise(ctx, static_cast<Err>(1900 + r));
        return Raise(ctx, Err::WinExecUndefined);
    }

    // The registered application path of the program, and its folders.
    std::string registered, folders;
    const bool has_key = AppPath(program, &registered, &folders);
    const bool bare = !HasDirectory(program);
    std::string first = program;
    if (has_key && bare && !registered.empty()) first = registered;
    const char* prefix = nullptr;
    if (has_key && !folders.empty()) {
        if (bare) {
            prefix = folders.c_str();
        } else {
            std::string named = program;
            std::string root, ext;
            NameParts(program, &root, &ext);
            if (ext.empty()) named += ".EXE";
            if (!registered.empty() && SameFile(registered, named)) prefix = folders.c_str();
        }
    }

    plat::ProcessHandle p = 0;
    std::uint32_t e = Start(ctx, CommandLine(first, parameters), directory, mode, prefix, &p);
    if (e != 0 && first != program)
        e = Start(ctx, CommandLine(program, parameters), directory, mode, prefix, &p);
    if (e == plat::err::FilenameTooLong) return Raise(ctx, Err::WinExecUndefined);

    // A document: the program its type is registered with, else the one
    // the shell names for it.
    if (e == plat::err::BadExeFormat) {
        std::string root, ext;
        NameParts(program, &root, &ext);
        const std::string command = OpenCommand(ext);
        std::string line;
        if (!command.empty()) {
            std::string opener, templ, argument;
            SplitRegisteredCommand(command.c_str(), &opener, &templ);
            bool had_document = false;
            if (!ExpandOpenTemplate(templ.c_str(), program, parameters, kOpenArgumentMax, &argument,
                                    &had_document))
                return Raise(ctx, Err::WinExecUndefined);
            if (!had_document) {
                if (!argument.empty()) argument += ' ';
                argument += Quoted(program);
            }
            line = Quoted(opener) + " " + argument;
        } else {
            char opener[300];
            if (plat::find_executable(program, directory, opener, sizeof opener)) {
                line = Quoted(opener) + " " + Quoted(program);
                if (parameters && *parameters) line += std::string(" ") + parameters;
            }
        }
        if (!line.empty()) {
            const std::uint32_t e2 = Start(ctx, line, directory, mode, nullptr, &p);
            if (e2 == 0) e = 0;
        }
    }

    if (e != 0) {
        // A shortcut of that name along the path.
        if (e == plat::err::FileNotFound || e == plat::err::PathNotFound ||
            e == plat::err::BadExeFormat) {
            char link[300];
            if (plat::find_shortcut(program, link, sizeof link) &&
                StartShortcut(ctx, link, parameters, directory, wait))
                return 1;
        }
        return Raise(ctx, Err::WinExecUndefined);
    }
    AfterStart(ctx, p, mode, wait);
    return 1;
}

// ------------------------------------------------------------ handlers

// The Run family: program, parameters.
int FnRun(ScriptContext* ctx, int id, Value& result, Value* args) {
    int mode = plat::kShowNormal;
    bool wait = false;
    switch (id) {
    case id::RunWait:
        wait = true;
        break;
    case id::RunHide:
        mode = plat::kShowHidden;
        break;
    case id::RunHideWait:
        mode = plat::kShowHidden;
        wait = true;
        break;
    case id::RunIcon:
        mode = plat::kShowMinimized;
        break;
    case id::RunIconWait:
        mode = plat::kShowMinimized;
        wait = true;
        break;
    case id::RunZoom:
        mode = plat::kShowMaximized;
        break;
    case id::RunZoomWait:
        mode = plat::kShowMaximized;
        wait = true;
        break;
    default:
        break;
    }
    if (!Launch(ctx, ArgText(ctx, args[1]), ArgText(ctx, args[2]), "", mode, wait ? kWait : kNoWait,
                Caller::Run))
        return 0;
    result.i = 1;
    return 1;
}

// RunShell: program, parameters, directory, display mode, wait mode;
// RunEnviron: program, parameters, display mode, wait mode.
int FnRunShell(ScriptContext* ctx, int id, Value& result, Value* args) {
    const bool shell = id == id::RunShell;
    const char* directory = shell ? ArgText(ctx, args[3]) : "";
    const Value& mode = shell ? args[4] : args[3];
    const Value& wait = shell ? args[5] : args[4];
    if (!Launch(ctx, ArgText(ctx, args[1]), ArgText(ctx, args[2]), directory, mode.i, wait.i,
                Caller::Run))
        return 0;
    result.i = 1;
    return 1;
}

// Print: file, directory, display mode, wait mode.
int FnPrint(ScriptContext* ctx, int, Value& result, Value* args) {
    if (!Launch(ctx, ArgText(ctx, args[1]), "", ArgText(ctx, args[2]), args[3].i, args[4].i,
                Caller::Print))
        return 0;
    result.i = 1;
    return 1;
}

// ShellExecute: file, parameters, directory, display mode, operation. A
// refusal of the shell is 0 without an error.
int FnShellExecute(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* file = ArgText(ctx, args[1]);
    if (!*file) return Raise(ctx, Err::ShellExecuteEmpty);
    const long long m = args[4].i;
    const int mode = (m == -1 || m == 1 || m == 2 || m == 3) ? static_cast<int>(m) : 0;
    const int r = plat::shell_execute(ctx->host_parent, ArgText(ctx, args[5]), file,
                                      ArgText(ctx, args[2]), ArgText(ctx, args[3]), mode);
    result.i = r > 32 ? 1 : 0;
    return 1;
}

int FnRunExit(ScriptContext* ctx, int, Value&, Value*) {
    return Raise(ctx, Err::RunExitUnsupported);
}

// Whether a process runs the program: its root name compared without
// regard to case.
bool ProgramRuns(const std::string& root) {
    plat::reap_released_processes();
    for (const plat::ProcessEntry& e : plat::list_processes()) {
        std::string r, x;
        NameParts(e.program.c_str(), &r, &x);
        if (plat::same_text_ignoring_case(r, root)) return true;
    }
    return false;
}

// AppExist and AppWaitClose: program file name.
int FnAppExist(ScriptContext* ctx, int id, Value& result, Value* args) {
    std::string root, ext;
    NameParts(ArgText(ctx, args[1]), &root, &ext);
    bool found = false;
    for (int test = 0; test < kAppTests && !root.empty(); ++test) {
        if (test > 0 && !PumpedWait(ctx, kPollMs)) break;
        if ((found = ProgramRuns(root))) break;
    }
    if (!found) {
        result.i = 0;
        return 1;
    }
    if (id != id::AppExist)
        while (ProgramRuns(root) && PumpedWait(ctx, kPollMs)) {
        }
    result.i = 1;
    return 1;
}

bool IsProgramExtension(const std::string& ext) {
    const std::string u = Upper(ext);
    return u == "EXE" || u == "COM" || u == "PIF" || u == "BAT";
}

int ModeOfSystemShow(long long show) {
    switch (show) {
    case 0:
        return plat::kShowHidden;
    case 2:
    case 6:
    case 7:
        return plat::kShowMinimized;
    case 3:
        return plat::kShowMaximized;
    default:
        return plat::kShowNormal;
    }
}

constexpr ModuleFunction kFunctions[] = {
    {"appexist", FnAppExist, 0},
    {"appwaitclose", FnAppExist, 0},
    {"print", FnPrint, 0},
    {"run", FnRun, 0},
    {"runenviron", FnRunShell, 0},
    {"runexit", FnRunExit, 0},
    {"runhide", FnRun, 0},
    {"runhidewait", FnRun, 0},
    {"runicon", FnRun, 0},
    {"runiconwait", FnRun, 0},
    {"runshell", FnRunShell, 0},
    {"runwait", FnRun, 0},
    {"runzoom", FnRun, 0},
    {"runzoomwait", FnRun, 0},
    {"shellexecute", FnShellExecute, 0},
};

} // namespace

void SplitRegisteredCommand(const char* command, std::string* program, std::string* rest) {
    while (*command == ' ')
        ++command;
    const char* p = command;
    if (*p == '"') {
        const char* end = std::strchr(p + 1, '"');
        if (end) {
            program->assign(p + 1, end);
            p = end + 1;
        } else {
            program->assign(p + 1);
            p += std::strlen(p);
        }
    } else {
        while (*p && *p != ' ')
            ++p;
        program->assign(command, p);
    }
    while (*p == ' ')
        ++p;
    rest->assign(p);
}

bool ExpandOpenTemplate(const char* templ, const char* doc, const char* parameters, std::size_t max,
                        std::string* out, bool* had_document) {
    out->clear();
    *had_document = false;
    // The words of the parameters; a double-quoted run is one word.
    std::string words[8];
    int count = 0;
    for (const char* p = parameters; *p && count < 8;) {
        while (*p == ' ')
            ++p;
        if (!*p) break;
        const char* start = p;
        bool quoted = false;
        while (*p && (quoted || *p != ' ')) {
            if (*p == '"') quoted = !quoted;
            ++p;
        }
        words[count++].assign(start, p);
    }
    for (const char* p = templ; *p; ++p) {
        if (*p == '%' && p[1]) {
            const char c = p[1];
            if (c == '1' || c == 'L' || c == 'l') {
                *out += doc;
                *had_document = true;
                ++p;
                continue;
            }
            if (c >= '2' && c <= '9') {
                *out += words[c - '2'];
                ++p;
                continue;
            }
            if (c == '*') {
                *out += parameters;
                ++p;
                continue;
            }
        }
        *out += *p;
        if (out->size() > max) return false;
    }
    return out->size() <= max;
}

int RunByExtension(ScriptContext* ctx, const char* command_line, long long show, bool wait) {
    const bool bare_name = true;
    std::string line = command_line ? command_line : "";
    const std::size_t space = line.find(' ');
    const std::string file = line.substr(0, space);
    const std::string params = space == std::string::npos ? "" : line.substr(space + 1);
    std::string root, ext;
    NameParts(file.c_str(), &root, &ext);
    if (ext.size() > 3) ext.resize(3);
    std::string program, rest;
    std::string fallback;
    if (IsProgramExtension(ext) || (ext.empty() && bare_name)) {
        program = file;
        if (ext.empty()) {
            fallback = file;
            program += ".EXE";
        }
        rest = params;
    } else {
        char value[kValueSize] = {};
        plat::read_win_profile_string("EXTENSIONS", ext.c_str(), "", value, sizeof value);
        std::string v = value;
        if (v.empty()) {
            plat::read_win_profile_string("EXTENSIONS", "*", "", value, sizeof value);
            v = value;
            if (!v.empty()) v += " ^." + ext;
        }
        if (v.size() < 6) return Raise(ctx, Err::WinExecNoApplication);
        // "^" stands for the file without its extension.
        const std::size_t dot = file.rfind('.');
        const std::string stem = file.substr(0, dot);
        std::string expanded;
        for (char c : v) {
            if (c == '^')
                expanded += stem;
            else
                expanded += c;
            if (expanded.size() > kCommandLineMax) return Raise(ctx, Err::WinExecUndefined);
        }
        const std::size_t blank = expanded.find(' ');
        program = expanded.substr(0, blank);
        rest = blank == std::string::npos ? "" : expanded.substr(blank + 1);
        std::string proot, pext;
        NameParts(program.c_str(), &proot, &pext);
        if (!IsProgramExtension(pext)) return Raise(ctx, Err::WinExecNoApplication);
        if (!params.empty()) rest += " " + params;
    }
    const int mode = ModeOfSystemShow(show);
    const plat::Cursor before = plat::set_cursor(ctx->wait_cursor);
    if (ctx->sounds && mode != plat::kShowHidden) plat::play_system_sound("StartProgram");
    plat::ProcessHandle p = 0;
    std::uint32_t e = Start(ctx, CommandLine(program, rest.c_str()), "", mode, nullptr, &p);
    if (e == plat::err::FileNotFound && !fallback.empty())
        e = Start(ctx, CommandLine(fallback, rest.c_str()), "", mode, nullptr, &p);
    plat::set_cursor(before);
    if (e != 0) return Raise(ctx, Err::WinExecUndefined);
    AfterStart(ctx, p, mode, wait);
    return 1;
}

const Module kLaunchModule = MakeModule("launching", kFunctions);

} // namespace jol
