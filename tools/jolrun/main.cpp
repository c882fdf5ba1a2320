// jolrun: the command-line host of the JOL library, written against the
// public header alone, as any host would be. It sets up one script
// environment in the order the library expects (handshake, context,
// variable table, string heap), reads the script file into a memory block,
// hands over the script's name, its parameters and the run's settings
// through the service entry, runs the script with ProcessDaBatBuffer,
// reports how it ended and releases the environment again. It offers a
// few host functions of its own (HostName, Version, HostEcho) through its
// keyword table and callback, and can trace the notifications the library
// sends it. With --window it opens a top-level window of its own and hands
// it to the library as the host window.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "jol.h"

namespace jolrun {
// The host window (host_window_win32.cpp, host_window_x11.cpp): opens a
// shown top-level window with this title and gives its handle, or 0 with
// the reason in *why; CloseHostWindow destroys it.
std::uintptr_t OpenHostWindow(const char* title, std::string* why);
void CloseHostWindow();
// The menu host (menu_host.cpp).
struct MenuSession;
MenuSession* NewMenuSession(std::uintptr_t context, std::uintptr_t window,
                            int (*run)(std::uintptr_t block, void* data), void* data);
void DeleteMenuSession(MenuSession* s);
int RunMenuHost(MenuSession& s, const char* file, const char* item, bool dump);
} // namespace jolrun

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;

struct Options {
    bool help = false;
    bool version = false;
    bool dump_vars = false;
    bool quiet = false;
    bool trace_lines = false;
    const char* quiet_log = "";
    const char* answers = nullptr;
    const char* window_title = nullptr;
    const char* menu = nullptr;      // --menu FILE
    const char* menu_item = nullptr; // --item PATH
    bool dump_menu = false;
    unsigned long max_lines = 0; // 0: no limit
    unsigned vars = 1000;
    unsigned heap = 65532;
    const char* script = nullptr;
    std::vector<const char*> params;
    std::string quiet_log_name; // the full names of the two files above
    std::string answers_name;
};

void Usage(std::FILE* out) {
    std::fputs("usage: jolrun [options] script.jol [parameters...]\n"
               "       jolrun [options] --menu FILE [--item PATH | --dump-menu] [parameters...]\n"
               "  --dump-vars      after the run, print every variable that has a value as\n"
               "                   name=value on standard output, in table order\n"
               "  --quiet LOG      quiet mode: boxes are not shown but logged to the file LOG\n"
               "                   (an empty name logs nothing)\n"
               "  --answers FILE   answer the boxes from FILE (ok, cancel, yes, no, abort, retry,\n"
               "                   ignore or button numbers, separated by commas or line ends)\n"
               "  --window TITLE   open a top-level window titled TITLE for the run and hand it\n"
               "                   to the library as the host window (on Linux it needs the\n"
               "                   display named by DISPLAY)\n"
               "  --menu FILE      be the host of the menu file FILE: run its start-up code,\n"
               "                   then offer its menu and run the items chosen (on Windows\n"
               "                   the menu bar of jolrun's window, with help on the status\n"
               "                   line and the file's hotkeys; on Linux numbered lists on\n"
               "                   the terminal, help beside each item, 0 to go back)\n"
               "  --item PATH      with --menu: run the start-up code and the item PATH\n"
               "                   (captions from the menu bar down, separated by '>', e.g.\n"
               "                   \"File>Open\"; case and '&' do not count) without asking\n"
               "  --dump-menu      with --menu: print the menu as read back from the menu\n"
               "                   bar (items, hotkey texts, separators, column breaks and\n"
               "                   the status-line help of each item), the last command\n"
               "                   number and the hotkeys, and exit\n"
               "  --max-lines N    cancel the run, as Ctrl+C does, after N lines have run\n"
               "  --trace-lines    print each line notification on standard error as\n"
               "                   'jolrun: line OFFSET: TEXT' (with ' (last set: NAME)'\n"
               "                   after OFFSET once a variable was assigned), and the other\n"
               "                   notifications the library sends: 'jolrun: poll',\n"
               "                   'jolrun: call start', 'jolrun: call end N',\n"
               "                   'jolrun: context released'\n"
               "  --vars N         size of the variable table in entries (default 1000)\n"
               "  --heap BYTES     size of the string heap (default 65532, at most 65532)\n"
               "  --version        print the library's version and exit\n"
               "  --help           print this text and exit\n"
               "The parameters reach the script as Param1, Param2, ... with their count in\n"
               "Param0. Host functions: HostName() gives \"jolrun\", Version() the host's\n"
               "version, HostEcho(text) its text.\n"
               "Script lines end in a carriage return and line feed; a file whose\n"
               "lines end in line feeds alone is converted to CR LF while jolrun reads it\n"
               "(scripts run with Call are read by the library, where a lone line feed does\n"
               "not end a line). Ctrl+C cancels the script.\n"
               "An error that stops the script is summed up on standard error as\n"
               "'FILE:LINE: error CODE: TEXT' followed by the line, FILE the script (or the\n"
               "script started by Call) where the error was raised.\n"
               "Exit status: 0 the script reached its end or was ended on purpose (EXIT,\n"
               "RETURN without GOSUB); 1 it stopped on an error, or could not run; 2 usage\n"
               "error; 3 cancelled (Ctrl+C, --max-lines, or a Cancel without a :CANCEL\n"
               "label).\n",
               out);
}

bool ParseNumber(const char* text, unsigned long low, unsigned long high, unsigned long* out) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 10);
    if (!*text || *end || v < low || v > high) return false;
    *out = v;
    return true;
}

// A file named on the command line is found from the folder jolrun starts
// in, even after the script has changed the current folder.
std::string FullName(const char* name) {
    if (!*name) return name;
    try {
        std::error_code failed;
        const std::filesystem::path full = std::filesystem::absolute(name, failed);
        return failed ? std::string(name) : full.string();
    } catch (...) {
        return name; // a name the system's code page cannot hold
    }
}

bool ParseArgs(int argc, char** argv, Options* o) {
    int i = 1;
    for (; i < argc; ++i) {
        const char* a = argv[i];
        const bool has_value = i + 1 < argc;
        unsigned long n = 0;
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            o->help = true;
        } else if (!std::strcmp(a, "--version")) {
            o->version = true;
        } else if (!std::strcmp(a, "--trace-lines")) {
            o->trace_lines = true;
        } else if (!std::strcmp(a, "--dump-vars")) {
            o->dump_vars = true;
        } else if (!std::strcmp(a, "--quiet") && has_value) {
            o->quiet = true;
            o->quiet_log = argv[++i];
        } else if (!std::strcmp(a, "--answers") && has_value) {
            o->answers = argv[++i];
        } else if (!std::strcmp(a, "--menu") && has_value) {
            o->menu = argv[++i];
        } else if (!std::strcmp(a, "--item") && has_value) {
            o->menu_item = argv[++i];
        } else if (!std::strcmp(a, "--dump-menu")) {
            o->dump_menu = true;
        } else if (!std::strcmp(a, "--window") && has_value) {
            o->window_title = argv[++i];
        } else if (!std::strcmp(a, "--max-lines") && has_value) {
            if (!ParseNumber(argv[++i], 1, 4000000000ul, &n)) return false;
            o->max_lines = n;
        } else if (!std::strcmp(a, "--vars") && has_value) {
            if (!ParseNumber(argv[++i], 1, 65535, &n)) return false;
            o->vars = static_cast<unsigned>(n);
        } else if (!std::strcmp(a, "--heap") && has_value) {
            if (!ParseNumber(argv[++i], 256, 65532, &n)) return false;
            o->heap = static_cast<unsigned>(n);
        } else if (!std::strcmp(a, "--")) {
            ++i;
            break;
        } else if (a[0] == '-' && a[1]) {
            return false;
        } else {
            break;
        }
    }
    if (o->menu)
        o->script = o->menu;
    else if (i < argc)
        o->script = argv[i++];
    if (!o->menu && (o->menu_item || o->dump_menu)) return false;
    for (; i < argc; ++i)
        o->params.push_back(argv[i]);
    return true;
}

// The parameter line that the library splits back into exactly these
// arguments: each one quoted, its own quotes doubled ("" is an empty one).
std::string ParameterLine(const std::vector<const char*>& params) {
    std::string line;
    for (const char* p : params) {
        if (!line.empty()) line += ' ';
        line += '"';
        for (; *p; ++p) {
            if (*p == '"') line += '"';
            line += *p;
        }
        line += '"';
    }
    return line;
}

unsigned long g_max_lines = 0;
unsigned long g_lines = 0;
bool g_trace = false;
std::uintptr_t g_vars = 0;
unsigned g_vars_capacity = 0;

// The host's functions: row r is reached as id 900 + r, and its callback
// receives request r. The built-in Version always comes here as host
// function 1 (its name stays the built-in one). A row of length 0 ends the
// table.
enum HostFunction { kHostName = 0, kHostVersion = 1, kHostEcho = 2 };
const JolKeywordEntry kHostKeywords[] = {
    {JOL_HOST_FIRST_ID + kHostName, JOL_KEYWORD_FUNCTION, {0, 0, 0, 0}, 8, "hostname"},
    {JOL_HOST_FIRST_ID + kHostVersion, JOL_KEYWORD_FUNCTION, {0, 0, 0, 0}, 7, "version"},
    {JOL_HOST_FIRST_ID + kHostEcho, JOL_KEYWORD_FUNCTION, {1, 0, 1, 0}, 8, "hostecho"},
    {0, 0, {0, 0, 0, 0}, 0, ""},
};
const char kHostVersionText[] = "jolrun " JOLRUN_VERSION;

const char* Text(JolArg a) {
    const char* t = reinterpret_cast<const char*>(a);
    return t ? t : "";
}

// The name of variable index, or false (0xFFFF: none assigned yet): read
// from the variable-table block this host owns.
bool VariableName(JolArg index, char* out, std::size_t size) {
    if (index < 0 || static_cast<unsigned long>(index) >= g_vars_capacity || !g_vars) return false;
    const auto* vars = static_cast<const JolVarEntry*>(JolBlockLock(g_vars));
    if (!vars) return false;
    std::snprintf(out, size, "%.*s", JOL_VAR_NAME_MAX, vars[index].name);
    JolBlockUnlock(g_vars);
    return out[0] != 0;
}

// Prints a line notification: the line's offset in its script block, the
// variable assigned last and the line's text.
void TraceLine(JolArg block, JolArg offset, JolArg var) {
    char text[JOL_TEXT_SIZE] = "";
    const auto handle = static_cast<std::uintptr_t>(block);
    if (const char* p = handle ? static_cast<const char*>(JolBlockLock(handle)) : nullptr) {
        const std::size_t size = JolBlockSize(handle);
        std::size_t n = 0;
        for (std::size_t i = static_cast<std::size_t>(offset);
             i < size && p[i] && p[i] != '\r' && p[i] != '\n' && n + 1 < sizeof text; ++i)
            text[n++] = p[i];
        text[n] = 0;
        JolBlockUnlock(handle);
    }
    char name[JOL_VAR_NAME_MAX + 1];
    if (VariableName(var, name, sizeof name))
        std::fprintf(stderr, "jolrun: line %ld (last set: %s): %s\n", static_cast<long>(offset),
                     name, text);
    else
        std::fprintf(stderr, "jolrun: line %ld: %s\n", static_cast<long>(offset), text);
}

// A host function: delivers its value through the answer callback.
std::int32_t HostFunction(JolArg request, JolArg answer_fn, JolArg record, JolArg a8) {
    const auto answer = reinterpret_cast<JolAnswerEntry>(answer_fn);
    if (!answer) return JOL_FAIL_SEVERE;
    const char* text = nullptr;
    switch (request) {
    case kHostName:
        text = "jolrun";
        break;
    case kHostVersion:
        text = kHostVersionText;
        break;
    case kHostEcho:
        text = Text(a8);
        break;
    default:
        answer(JOL_FAIL_SEVERE, 0, record, 1, 0,
               reinterpret_cast<JolArg>("jolrun: no such host function"));
        return JOL_FAIL_SEVERE;
    }
    return answer(1, 0, record, 1, 0, reinterpret_cast<JolArg>(text));
}

// The host callback: host functions (requests 0 and up) and notifications.
// With --max-lines it counts the line notifications and asks for the
// cancel when the limit is passed, exactly as Ctrl+C does; with
// --trace-lines it prints the notifications.
std::int32_t JOL_STDCALL HostCallback(JolArg, JolArg, JolArg, JolArg request, JolArg answer_fn,
                                      JolArg record, JolArg, JolArg a8, JolArg a9, JolArg a10,
                                      JolArg a11, JolArg) {
    if (request >= 0) return HostFunction(request, answer_fn, record, a8);
    switch (request) {
    case JOL_NOTIFY_POLL:
        if (!std::strcmp(Text(a8), "2")) {
            if (g_trace) TraceLine(a9, a10, a11);
            if (g_max_lines && ++g_lines > g_max_lines) JolRequestCancel();
        } else if (g_trace) {
            std::fputs("jolrun: poll\n", stderr);
        }
        break;
    case JOL_NOTIFY_CALL:
        if (!g_trace) break;
        if (a8 == 1)
            std::fputs("jolrun: call start\n", stderr);
        else
            std::fprintf(stderr, "jolrun: call end %ld\n", static_cast<long>(a8));
        break;
    case JOL_NOTIFY_RELEASE:
        if (g_trace) std::fputs("jolrun: context released\n", stderr);
        break;
    default:
        break;
    }
    return 0;
}

// Reads the whole file; false when it cannot be read.
bool ReadFile(const char* path, std::vector<unsigned char>* data) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char buf[16384];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data->insert(data->end(), buf, buf + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Lines ended by line feeds alone become CR LF lines: in ANSI text, and in
// UTF-16 text (a byte-order mark, little-endian units) alike.
void ConvertLineFeeds(std::vector<unsigned char>* data) {
    std::vector<unsigned char>& d = *data;
    const bool wide =
        d.size() >= 2 && ((d[0] == 0xFF && d[1] == 0xFE) || (d[0] == 0xFE && d[1] == 0xFF));
    const std::size_t unit = wide ? 2 : 1;
    bool lf = false;
    for (std::size_t i = wide ? 2 : 0; i + unit <= d.size(); i += unit) {
        const unsigned c = wide ? d[i] | d[i + 1] << 8 : d[i];
        if (c == '\r') return; // the file has carriage returns: leave it as it is
        lf = lf || c == '\n';
    }
    if (!lf) return;
    std::vector<unsigned char> out;
    out.reserve(d.size() + d.size() / 8);
    std::size_t i = 0;
    if (wide) {
        out.push_back(d[0]);
        out.push_back(d[1]);
        i = 2;
    }
    for (; i < d.size(); i += unit) {
        if (i + unit > d.size()) {
            out.push_back(d[i]); // an odd last byte stays
            break;
        }
        const unsigned c = wide ? d[i] | d[i + 1] << 8 : d[i];
        if (c == '\n') {
            out.push_back('\r');
            if (wide) out.push_back(0);
        }
        out.insert(out.end(), d.begin() + static_cast<std::ptrdiff_t>(i),
                   d.begin() + static_cast<std::ptrdiff_t>(i + unit));
    }
    d.swap(out);
}

// One service request with texts that the library only reads.
std::int32_t Service(std::uintptr_t context, std::int32_t request, const std::string& text1,
                     std::intptr_t number = 0) {
    std::string copy = text1;
    return DLLServices(context, request, copy.data(), nullptr, number, 0);
}

// The host window of --window, destroyed after the environment is
// released.
struct WindowOfRun {
    std::uintptr_t handle = 0;
    ~WindowOfRun() {
        if (handle) jolrun::CloseHostWindow();
    }
};

struct Environment {
    std::uintptr_t context = 0, vars = 0, heap = 0;
    std::uintptr_t window = 0; // the host window, 0 for none

    bool Open(const Options& o) {
        if (DoDaDllInit(0, 0, JOL_HANDSHAKE_HANDLE, JOL_INIT_HANDSHAKE, 0, nullptr, nullptr) !=
            JOL_HANDSHAKE_ANSWER) {
            std::fputs("jolrun: the library does not speak this host's interface\n", stderr);
            return false;
        }
        context = JolBlockAlloc(JOL_CONTEXT_BLOCK_SIZE);
        vars = JolBlockAlloc(sizeof(JolVarEntry) * o.vars);
        heap = JolBlockAlloc(o.heap);
        if (!context || !vars || !heap) {
            std::fputs("jolrun: out of memory\n", stderr);
            return false;
        }
        if (DoDaDllInit(0, context, 0, JOL_INIT_CONTEXT, 0, nullptr, nullptr) !=
                JOL_CONTEXT_READY ||
            DoDaDllInit(window, context, vars, JOL_INIT_VARIABLES, o.vars, "JOLRUN",
                        "JOLRUN.INI") != 1 ||
            DoDaDllInit(0, context, heap, JOL_INIT_HEAP, o.heap, "jolrun", nullptr) != 1) {
            std::fputs("jolrun: the library could not set up a script environment\n", stderr);
            return false;
        }
        g_vars = vars;
        g_vars_capacity = o.vars;
        return true;
    }

    // The run's settings and the parameters, before it starts.
    bool Prepare(const Options& o) {
        Service(context, JOL_SERVICE_SET_NAMES, o.script);
        if (o.quiet) Service(context, JOL_SERVICE_QUIET_MODE, o.quiet_log, 1);
        if (o.max_lines || o.trace_lines)
            DLLServices(context, JOL_SERVICE_HOOK_FLAGS, nullptr, nullptr, JOL_HOOK_LINES, 0);
        const std::int32_t stored =
            Service(context, JOL_SERVICE_PARAMETERS, ParameterLine(o.params));
        if (stored < 0 || static_cast<std::size_t>(stored) != o.params.size()) {
            std::fputs("jolrun: no room for the parameters in the variable table or heap\n",
                       stderr);
            return false;
        }
        return true;
    }

    // Every variable with a value, in table order: the names out of the
    // table block, the values as texts through the service entry.
    void DumpVariables() {
        const std::int32_t count =
            DLLServices(context, JOL_SERVICE_VARIABLE_COUNT, nullptr, nullptr, 1, 0);
        std::vector<std::string> names;
        if (const auto* table = static_cast<const JolVarEntry*>(JolBlockLock(vars))) {
            for (std::int32_t i = 0; i < count && static_cast<unsigned>(i) < g_vars_capacity; ++i) {
                const JolVarEntry& e = table[i];
                if (!e.flags || (e.flags & JOL_VALUE_UNSET)) continue;
                const void* end = std::memchr(e.name, 0, sizeof e.name);
                names.emplace_back(e.name,
                                   end ? static_cast<const char*>(end) - e.name : sizeof e.name);
            }
            JolBlockUnlock(vars);
        }
        static char text[65536];
        for (std::string& name : names) {
            if (!DLLServices(context, JOL_SERVICE_GET_VARIABLE, name.data(), text, sizeof text, 0))
                text[0] = 0;
            std::printf("%s=%s\n", name.c_str(), text);
        }
        std::fflush(stdout);
    }

    ~Environment() {
        g_vars = 0;
        if (context)
            DoDaDllInit(0, context, 0, JOL_INIT_RELEASE, 0, nullptr,
                        reinterpret_cast<const char*>(&HostCallback));
        for (std::uintptr_t h : {heap, vars, context})
            if (h) JolBlockFree(h);
    }
};

// Reads the script into a new block as a host does: the text and a zero
// (two for UTF-16 text).
std::uintptr_t LoadBlock(const char* path) {
    std::vector<unsigned char> data;
    if (!ReadFile(path, &data)) {
        std::fprintf(stderr, "jolrun: cannot read %s\n", path);
        return 0;
    }
    ConvertLineFeeds(&data);
    std::uintptr_t block = JolBlockAlloc(data.size() + 2);
    void* p = block ? JolBlockLock(block) : nullptr;
    if (!p) {
        if (block) JolBlockFree(block);
        std::fputs("jolrun: out of memory\n", stderr);
        return 0;
    }
    if (!data.empty()) std::memcpy(p, data.data(), data.size());
    JolBlockUnlock(block);
    return block;
}

// How the run ended, as the exit status; an error that stopped the script
// is summed up on standard error.
int Outcome(const Environment& env, const Options& o) {
    const std::int32_t error =
        DLLServices(env.context, JOL_SERVICE_LAST_ERROR, nullptr, nullptr, 0, 0);
    const std::int32_t result =
        DLLServices(env.context, JOL_SERVICE_LAST_RESULT, nullptr, nullptr, 0, 0);
    if (result != JOL_RUN_STOPPED) return kExitOk;
    // A run stopped without an error code was cancelled (Ctrl+C,
    // --max-lines, a stop asked for through the service entry).
    if (error == 0 || error == JOL_STOP_CANCEL) {
        std::fputs("jolrun: cancelled\n", stderr);
        return kExitCancelled;
    }
    JolStopReport stop;
    if (JolLastStop(env.context, &stop)) {
        std::fprintf(stderr, "%s:%ld: error %ld: %s\n", stop.file, static_cast<long>(stop.line),
                     static_cast<long>(stop.code), stop.message);
        if (stop.text[0]) std::fprintf(stderr, "    %s\n", stop.text);
        return kExitFailed;
    }
    if (error < JOL_STOP_FIRST) {
        std::fprintf(stderr, "jolrun: %s: stopped by error %ld\n", o.script,
                     static_cast<long>(error));
        return kExitFailed;
    }
    // EXIT, Terminate, IntControl 8; also in a script started by Call,
    // which leaves JOL_STOP_REPORTED without a stop report (no error was
    // shown).
    return kExitOk;
}

int RunScript(Environment& env, const Options& o) {
    std::uintptr_t block = LoadBlock(o.script);
    if (!block) return kExitFailed;
    if (!env.Prepare(o)) {
        JolBlockFree(block);
        return kExitFailed;
    }
    g_max_lines = o.max_lines;
    g_trace = o.trace_lines;
    JolWatchInterrupt();
    const std::int32_t ran =
        ProcessDaBatBuffer(env.window, env.context, block, &HostCallback, kHostKeywords);
    JolBlockFree(block);
    if (o.dump_vars) env.DumpVariables();
    if (!ran) {
        std::fprintf(stderr,
                     "jolrun: %s: the script cannot be run (more than 65520 bytes, or UTF-16 "
                     "text that cannot be converted)\n",
                     o.script);
        return kExitFailed;
    }
    return Outcome(env, o);
}

struct MenuRun {
    Environment* env;
    const Options* o;
};

// One command of the menu: a run like a script's.
int RunMenuBlock(std::uintptr_t block, void* data) {
    auto* r = static_cast<MenuRun*>(data);
    g_lines = 0;
    const std::int32_t ran =
        ProcessDaBatBuffer(r->env->window, r->env->context, block, &HostCallback, kHostKeywords);
    if (!ran) {
        std::fprintf(stderr, "jolrun: %s: the menu item cannot be run\n", r->o->script);
        return kExitFailed;
    }
    return Outcome(*r->env, *r->o);
}

int RunMenu(Environment& env, const Options& o) {
    if (!env.Prepare(o)) return kExitFailed;
    g_max_lines = o.max_lines;
    g_trace = o.trace_lines;
    JolWatchInterrupt();
    MenuRun run{&env, &o};
    jolrun::MenuSession* s = jolrun::NewMenuSession(env.context, env.window, RunMenuBlock, &run);
    const int status = jolrun::RunMenuHost(*s, o.menu, o.menu_item, o.dump_menu);
    jolrun::DeleteMenuSession(s);
    if (o.dump_vars) env.DumpVariables();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, &o) || (!o.script && !o.help && !o.version)) {
        Usage(stderr);
        return kExitUsage;
    }
    if (o.help) {
        Usage(stdout);
        return kExitOk;
    }
    if (o.version) {
        char text[64];
        JolLibraryVersion(text, sizeof text);
        std::printf("JOL library %s\n", text);
        return kExitOk;
    }
    // Scripted answers must be in place before the library shows its first
    // box.
    if (o.answers) {
        o.answers_name = FullName(o.answers);
        JolAnswerBoxesFrom(o.answers_name.c_str());
    }
    o.quiet_log_name = FullName(o.quiet_log);
    o.quiet_log = o.quiet_log_name.c_str();
    WindowOfRun window;
#ifdef _WIN32
    // On Windows the menu is the menu bar of jolrun's window.
    std::string menu_title = std::string("jolrun: ") + (o.menu ? o.menu : "");
    if (o.menu && !o.window_title) o.window_title = menu_title.c_str();
#endif
    if (o.window_title) {
        std::string why;
        window.handle = jolrun::OpenHostWindow(o.window_title, &why);
        if (!window.handle) {
            std::fprintf(stderr, "jolrun: --window: %s\n", why.c_str());
            return kExitFailed;
        }
    }
    Environment env;
    env.window = window.handle;
    if (!env.Open(o)) return kExitFailed;
    if (o.menu) return RunMenu(env, o);
    return RunScript(env, o);
}
