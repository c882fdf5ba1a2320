// jolrun: the command-line host of the JOL library. It loads the library,
// sets up one script environment in the order the library expects
// (handshake, context, variable table, string heap), reads the script file
// into a memory block as a host does, runs it with ProcessDaBatBuffer and
// releases the environment again. It offers a few host functions of its
// own (HostName, Version, HostEcho) through its keyword table and callback,
// and can trace the notifications the library sends it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/extender_abi.h"
#include "exec/error_report.h"
#include "host/process_buffer.h"
#include "host/script_context.h"
#include "lang/variables.h"
#include "platform/abi.h"
#include "platform/environment.h"
#include "platform/interrupt.h"
#include "platform/memory.h"
#include "platform/modules.h"
#include "resources/message_table.h"

namespace {

using DoDaDllInitFn = std::int32_t (*)(plat::Hwnd, plat::MemHandle, std::uintptr_t, short,
                                       std::uintptr_t, const char*, const char*);
using ProcessFn = decltype(&ProcessDaBatBuffer);
using VersionFn = int (*)(char*, int);

constexpr std::uintptr_t kInterfaceVersion = 0x1300;
constexpr std::int32_t kHandshakeAnswer = 17840;
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;
constexpr int kCancelCode = 9999;
constexpr int kReportedCode = 9013;

struct Options {
    bool help = false;
    bool version = false;
    bool dump_vars = false;
    bool quiet = false;
    bool trace_lines = false;
    const char* quiet_log = "";
    const char* answers = nullptr;
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
               "  --dump-vars      after the run, print every variable that has a value as\n"
               "                   name=value on standard output, in table order\n"
               "  --quiet LOG      quiet mode: boxes are not shown but logged to the file LOG\n"
               "                   (an empty name logs nothing)\n"
               "  --answers FILE   answer the boxes from FILE (ok, cancel, yes, no, abort, retry,\n"
               "                   ignore or button numbers, separated by commas or line ends)\n"
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
    if (!*name || name[0] == '/' || name[0] == '\\' || (name[0] && name[1] == ':')) return name;
    char dir[1024];
    if (!plat::get_current_directory(dir, sizeof dir)) return name;
    return std::string(dir) + "/" + name;
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
    if (i < argc) o->script = argv[i++];
    for (; i < argc; ++i)
        o->params.push_back(argv[i]);
    return true;
}

// The library lies next to this program.
std::string LibraryPath(const char* argv0) {
    char self[1024];
    std::string dir = plat::executable_path(self, sizeof self) ? self : (argv0 ? argv0 : "");
    std::size_t slash = dir.find_last_of("/\\");
    dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
    return dir + JOL_LIBRARY_FILE;
}

unsigned long g_max_lines = 0;
unsigned long g_lines = 0;
bool g_trace = false;
plat::MemHandle g_vars = 0;
unsigned g_vars_capacity = 0;

// The host's functions: row r is reached as id 900 + r, and its callback
// receives request r. The built-in Version always comes here as host
// function 1 (its name stays the built-in one). A row of length 0 ends the
// table.
enum HostFunction { kHostName = 0, kHostVersion = 1, kHostEcho = 2 };
const jol::KeywordEntry kHostKeywords[] = {
    {900 + kHostName, jol::kKeywordFunction, {0, 0, 0, 0}, 8, "hostname"},
    {900 + kHostVersion, jol::kKeywordFunction, {0, 0, 0, 0}, 7, "version"},
    {900 + kHostEcho, jol::kKeywordFunction, {1, 0, 1, 0}, 8, "hostecho"},
    {0, 0, {0, 0, 0, 0}, 0, ""},
};
const char kHostVersionText[] = "jolrun " JOLRUN_VERSION;

const char* Text(jol::ExtArg a) {
    const char* t = reinterpret_cast<const char*>(a);
    return t ? t : "";
}

// The name of variable index, or null (0xFFFF: none assigned yet).
bool VariableName(jol::ExtArg index, char* out, std::size_t size) {
    if (index < 0 || static_cast<unsigned long>(index) >= g_vars_capacity || !g_vars) return false;
    auto* vars = static_cast<const jol::VarEntry*>(plat::mem_lock(g_vars));
    if (!vars) return false;
    std::snprintf(out, size, "%s", vars[index].name);
    plat::mem_unlock(g_vars);
    return out[0] != 0;
}

// Prints a line notification: the line's offset in its script block, the
// variable assigned last and the line's text.
void TraceLine(jol::ExtArg block, jol::ExtArg offset, jol::ExtArg var) {
    char text[jol::kTextSize] = "";
    const auto handle = static_cast<plat::MemHandle>(block);
    if (const char* p = handle ? static_cast<const char*>(plat::mem_lock(handle)) : nullptr) {
        const std::size_t size = plat::mem_size(handle);
        std::size_t n = 0;
        for (std::size_t i = static_cast<std::size_t>(offset);
             i < size && p[i] && p[i] != '\r' && p[i] != '\n' && n + 1 < sizeof text; ++i)
            text[n++] = p[i];
        text[n] = 0;
        plat::mem_unlock(handle);
    }
    char name[jol::kVarNameMax + 1];
    if (VariableName(var, name, sizeof name))
        std::fprintf(stderr, "jolrun: line %ld (last set: %s): %s\n", static_cast<long>(offset),
                     name, text);
    else
        std::fprintf(stderr, "jolrun: line %ld: %s\n", static_cast<long>(offset), text);
}

// A host function: delivers its value through the answer callback.
std::int32_t HostFunction(jol::ExtArg request, jol::ExtArg answer_fn, jol::ExtArg record,
                          jol::ExtArg a8) {
    const auto answer = reinterpret_cast<jol::AnswerEntry>(answer_fn);
    if (!answer) return -3;
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
        answer(-3, 0, record, 1, 0, reinterpret_cast<jol::ExtArg>("jolrun: no such host function"));
        return -3;
    }
    return answer(1, 0, record, 1, 0, reinterpret_cast<jol::ExtArg>(text));
}

// The host callback: host functions (requests 0 and up) and notifications.
// With --max-lines it counts the line notifications and asks for the
// cancel when the limit is passed, exactly as Ctrl+C does; with
// --trace-lines it prints the notifications.
std::int32_t JOL_STDCALL HostCallback(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                      jol::ExtArg answer_fn, jol::ExtArg record, jol::ExtArg,
                                      jol::ExtArg a8, jol::ExtArg a9, jol::ExtArg a10,
                                      jol::ExtArg a11, jol::ExtArg) {
    if (request >= 0) return HostFunction(request, answer_fn, record, a8);
    switch (request) {
    case jol::notify::Poll:
        if (!std::strcmp(Text(a8), "2")) {
            if (g_trace) TraceLine(a9, a10, a11);
            if (g_max_lines && ++g_lines > g_max_lines) plat::request_cancel();
        } else if (g_trace) {
            std::fputs("jolrun: poll\n", stderr);
        }
        break;
    case jol::notify::CallStartEnd:
        if (!g_trace) break;
        if (a8 == 1)
            std::fputs("jolrun: call start\n", stderr);
        else
            std::fprintf(stderr, "jolrun: call end %ld\n", static_cast<long>(a8));
        break;
    case jol::notify::ContextRelease:
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

// The context, variable table and string heap locked and bound as during a
// run, for setting the parameters and reading the variables.
class Bound {
public:
    Bound(plat::MemHandle context, plat::MemHandle vars, plat::MemHandle heap)
        : handles_{context, vars, heap} {
        ctx_ = static_cast<jol::ScriptContext*>(plat::mem_lock(context));
        void* v = plat::mem_lock(vars);
        void* h = plat::mem_lock(heap);
        if (!ctx_ || !v || !h) return;
        ctx_->vars = static_cast<jol::VarEntry*>(v);
        ctx_->heap.base = static_cast<char*>(h);
        ok_ = true;
    }
    ~Bound() {
        if (ctx_) {
            ctx_->vars = nullptr;
            ctx_->heap.base = nullptr;
        }
        for (plat::MemHandle h : handles_)
            plat::mem_unlock(h);
    }
    Bound(const Bound&) = delete;
    Bound& operator=(const Bound&) = delete;
    jol::ScriptContext* ctx() const { return ok_ ? ctx_ : nullptr; }

private:
    plat::MemHandle handles_[3];
    jol::ScriptContext* ctx_ = nullptr;
    bool ok_ = false;
};

struct Environment {
    DoDaDllInitFn init = nullptr;
    plat::MemHandle context = 0, vars = 0, heap = 0;

    bool Open(const Options& o) {
        if (init(0, 0, kInterfaceVersion, 0, 0, nullptr, nullptr) != kHandshakeAnswer) {
            std::fputs("jolrun: the library does not speak this host's interface\n", stderr);
            return false;
        }
        context = plat::mem_alloc(sizeof(jol::ScriptContext));
        vars = plat::mem_alloc(sizeof(jol::VarEntry) * o.vars);
        heap = plat::mem_alloc(o.heap);
        if (!context || !vars || !heap) {
            std::fputs("jolrun: out of memory\n", stderr);
            return false;
        }
        if (init(0, context, 0, 1, 0, nullptr, nullptr) != 52 ||
            init(0, context, vars, 2, o.vars, "JOLRUN", "JOLRUN.INI") != 1 ||
            init(0, context, heap, 3, o.heap, "jolrun", nullptr) != 1) {
            std::fputs("jolrun: the library could not set up a script environment\n", stderr);
            return false;
        }
        g_vars = vars;
        g_vars_capacity = o.vars;
        return true;
    }

    // Settings of the run and the parameters, before it starts.
    bool Prepare(const Options& o) {
        Bound b(context, vars, heap);
        jol::ScriptContext* ctx = b.ctx();
        if (!ctx) return false;
        std::snprintf(ctx->script_name, sizeof ctx->script_name, "%s", o.script);
        if (o.quiet) jol::SetQuietMode(ctx, 1, o.quiet_log);
        if (o.max_lines || o.trace_lines) ctx->hook_flags |= jol::hook::Lines;
        ctx->error_code = 0;
        jol::SetVariable(ctx, "param0", nullptr, static_cast<std::int32_t>(o.params.size()), 1);
        char name[32];
        for (std::size_t i = 0; i < o.params.size() && !ctx->error_code; ++i) {
            std::snprintf(name, sizeof name, "param%zu", i + 1);
            char text[jol::kTextSize];
            std::snprintf(text, sizeof text, "%s", o.params[i]);
            jol::SetVariable(ctx, name, text, 0, 2);
        }
        if (ctx->error_code) {
            std::fputs("jolrun: no room for the parameters in the variable table or heap\n",
                       stderr);
            return false;
        }
        return true;
    }

    void DumpVariables() {
        Bound b(context, vars, heap);
        jol::ScriptContext* ctx = b.ctx();
        if (!ctx) return;
        static char text[65536];
        const std::int16_t saved = ctx->error_code;
        for (int i = 0; i < ctx->vars_count && i < ctx->vars_capacity; ++i) {
            const jol::VarEntry& e = ctx->vars[i];
            if (!e.flags || (e.flags & jol::vf::Unset)) continue;
            if (!jol::GetVariableText(ctx, e.name, text, sizeof text)) text[0] = 0;
            std::printf("%s=%s\n", e.name, text);
        }
        ctx->error_code = saved;
        std::fflush(stdout);
    }

    jol::LastRun Outcome(bool* cancelled) {
        jol::LastRun r;
        *cancelled = false;
        if (auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(context))) {
            r = ctx->last_run;
            *cancelled = ctx->cancel != 0 || r.error == kCancelCode;
            plat::mem_unlock(context);
        }
        return r;
    }

    ~Environment() {
        g_vars = 0;
        if (context && init)
            init(0, context, 0, 99, 0, nullptr, reinterpret_cast<const char*>(&HostCallback));
        for (plat::MemHandle h : {heap, vars, context})
            if (h) plat::mem_free(h);
    }
};

// Reads the script into a new block as a host does: the text and a zero
// (two for UTF-16 text).
plat::MemHandle LoadBlock(const char* path) {
    std::vector<unsigned char> data;
    if (!ReadFile(path, &data)) {
        std::fprintf(stderr, "jolrun: cannot read %s\n", path);
        return 0;
    }
    ConvertLineFeeds(&data);
    plat::MemHandle block = plat::mem_alloc(data.size() + 2);
    void* p = block ? plat::mem_lock(block) : nullptr;
    if (!p) {
        if (block) plat::mem_free(block);
        std::fputs("jolrun: out of memory\n", stderr);
        return 0;
    }
    if (!data.empty()) std::memcpy(p, data.data(), data.size());
    plat::mem_unlock(block);
    return block;
}

int RunScript(Environment& env, ProcessFn process, const Options& o) {
    plat::MemHandle block = LoadBlock(o.script);
    if (!block) return kExitFailed;
    if (!env.Prepare(o)) {
        plat::mem_free(block);
        return kExitFailed;
    }
    g_max_lines = o.max_lines;
    g_trace = o.trace_lines;
    plat::watch_interrupt();
    const std::int32_t ran = process(0, env.context, block, &HostCallback, kHostKeywords);
    plat::mem_free(block);
    if (o.dump_vars) env.DumpVariables();
    if (!ran) {
        std::fprintf(stderr,
                     "jolrun: %s: the script cannot be run (more than 65520 bytes, or UTF-16 "
                     "text that cannot be converted)\n",
                     o.script);
        return kExitFailed;
    }
    bool cancelled = false;
    const jol::LastRun r = env.Outcome(&cancelled);
    if (cancelled) {
        std::fputs("jolrun: cancelled\n", stderr);
        return kExitCancelled;
    }
    if (r.result == 0 && ((r.error >= 1 && r.error < 9000) || r.error == kReportedCode)) {
        const char* text = jol::MessageText(r.error);
        std::fprintf(stderr, "jolrun: stopped by error %d%s%s\n", r.error, text ? ": " : "",
                     text ? text : "");
        return kExitFailed;
    }
    return kExitOk;
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
    // Scripted answers must be in place before the library shows its first
    // box.
    if (o.answers) {
        o.answers_name = FullName(o.answers);
        plat::set_env("JOL_ANSWERS_FILE", o.answers_name.c_str());
    }
    o.quiet_log_name = FullName(o.quiet_log);
    o.quiet_log = o.quiet_log_name.c_str();
    const std::string path = LibraryPath(argc > 0 ? argv[0] : nullptr);
    plat::Module lib = plat::load_library(path.c_str());
    if (!lib) {
        std::fprintf(stderr, "jolrun: cannot load %s\n", path.c_str());
        return kExitFailed;
    }
    int status = kExitOk;
    {
        Environment env;
        env.init = reinterpret_cast<DoDaDllInitFn>(plat::get_proc_address(lib, "DoDaDllInit"));
        auto process =
            reinterpret_cast<ProcessFn>(plat::get_proc_address(lib, "ProcessDaBatBuffer"));
        auto version =
            reinterpret_cast<VersionFn>(plat::get_proc_address(lib, "JolLibraryVersion"));
        if (!env.init || !process || !version) {
            std::fprintf(stderr, "jolrun: %s lacks the library's entry points\n", path.c_str());
            status = kExitFailed;
        } else if (o.version) {
            char text[64];
            version(text, sizeof text);
            std::printf("JOL library %s\n", text);
        } else if (!env.Open(o)) {
            status = kExitFailed;
        } else {
            status = RunScript(env, process, o);
        }
    }
    plat::free_library(lib);
    return status;
}
