// jolrun: the command-line host of the JOL library. It loads the library,
// sets up one script environment in the order the library expects
// (handshake, context, variable table, string heap), runs what it is asked
// to, and releases the environment again.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/script_context.h"
#include "platform/platform.h"

namespace {

using DoDaDllInitFn = std::int32_t (*)(plat::Hwnd, plat::MemHandle, std::uintptr_t, short,
                                       std::uintptr_t, const char*, const char*);
using VersionFn = int (*)(char*, int);

constexpr std::uintptr_t kInterfaceVersion = 0x1300;
constexpr std::int32_t kHandshakeAnswer = 17840;
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
    bool help = false;
    bool version = false;
    unsigned vars = 1000;
    unsigned heap = 65532;
    const char* script = nullptr;
};

void Usage(std::FILE* out) {
    std::fputs("usage: jolrun [--vars N] [--heap BYTES] [--version] [--help] [script.jol]\n"
               "  --vars N       size of the variable table in entries (default 1000)\n"
               "  --heap BYTES   size of the string heap (default 65532, at most 65532)\n"
               "  --version      print the library's version and exit\n",
               out);
}

bool ParseNumber(const char* text, unsigned low, unsigned high, unsigned* out) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 10);
    if (!*text || *end || v < low || v > high) return false;
    *out = static_cast<unsigned>(v);
    return true;
}

bool ParseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            o->help = true;
        } else if (!std::strcmp(a, "--version")) {
            o->version = true;
        } else if (!std::strcmp(a, "--vars") && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 1, 65535, &o->vars)) return false;
        } else if (!std::strcmp(a, "--heap") && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 256, 65532, &o->heap)) return false;
        } else if (a[0] == '-' && a[1]) {
            return false;
        } else if (!o->script) {
            o->script = a;
        } else {
            return false;
        }
    }
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

// The host callback: jolrun offers no host functions and ignores the
// library's notifications.
std::int32_t JOL_STDCALL HostCallback(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                      jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                      jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    return 0;
}

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
        return true;
    }

    ~Environment() {
        if (context && init)
            init(0, context, 0, 99, 0, nullptr, reinterpret_cast<const char*>(&HostCallback));
        for (plat::MemHandle h : {heap, vars, context})
            if (h) plat::mem_free(h);
    }
};

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, &o)) {
        Usage(stderr);
        return kExitUsage;
    }
    if (o.help) {
        Usage(stdout);
        return kExitOk;
    }
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
        auto version =
            reinterpret_cast<VersionFn>(plat::get_proc_address(lib, "JolLibraryVersion"));
        if (!env.init || !version) {
            std::fprintf(stderr, "jolrun: %s lacks the library's entry points\n", path.c_str());
            status = kExitFailed;
        } else if (o.version) {
            char text[64];
            version(text, sizeof text);
            std::printf("JOL library %s\n", text);
        } else if (!env.Open(o)) {
            status = kExitFailed;
        } else if (o.script) {
            std::fprintf(stderr, "jolrun: %s: running scripts is not part of this build yet\n",
                         o.script);
            status = kExitFailed;
        }
    }
    plat::free_library(lib);
    return status;
}
