// What the fuzz targets keep away from: functions that wait (a random
// argument may mean hours), that write to the system (files, settings, the
// environment), that load modules, or that reserve memory outside the
// string heap by a random size. Their rows are disabled, so a call of one
// fails as a disabled function does, before its arguments are read.
// Binary buffers are not allocated by the scripts: the target gives each
// context one buffer of kFuzzBufferSize bytes (handle 987659) that lives
// for the whole session, since BinaryFree is disabled too.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "dispatch/handler.h"
#include "host/context/script_context.h"
#include "host/entry_points.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/abi.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/memory.h"

// The platform layer is a shared library here: these definitions take the
// place of its sleep and its tick count for the whole process. A run
// settles for 20 ms after each script, some statements pause, and a window
// function waits up to nine seconds for its window; waiting finds nothing,
// so a sleep only moves the fuzzers' clock on by its length. Loops that
// wait until some time has passed end at once, and the fuzzers try fifty
// times more inputs. (Each fuzz target is one source file, the only one
// that includes this header.)
namespace plat {
namespace {
std::uint32_t g_slept_ms = 0;
} // namespace
void sleep_ms(unsigned ms) {
    g_slept_ms += ms;
}
std::uint32_t tick_count() {
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(now.count()) + g_slept_ms;
}
} // namespace plat

namespace fuzz {

constexpr std::int32_t kFuzzBufferSize = 4096;
constexpr int kMaxLines = 300; // executed lines a run may take
constexpr unsigned kVarEntries = 128;
constexpr unsigned kHeapBytes = 16384;

// The context of the run in progress and the lines it has executed.
inline int g_lines = 0;
inline plat::MemHandle g_context = 0;

// The host callback of the runs: at the kMaxLines-th line notification it
// does what a host's stop request does, a cancel without the cancel box.
inline std::int32_t JOL_STDCALL StopAfterMaxLines(jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                                  jol::ExtArg request, jol::ExtArg, jol::ExtArg,
                                                  jol::ExtArg, jol::ExtArg a8, jol::ExtArg,
                                                  jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    const char* text = reinterpret_cast<const char*>(a8);
    if (request == jol::notify::Poll && text && !std::strcmp(text, "2") && ++g_lines >= kMaxLines) {
        auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(g_context));
        ctx->cancel = 1;
        ctx->report_cancel = 0;
        plat::mem_unlock(g_context);
    }
    return 0;
}

// Allocates the session's binary buffer in the context.
inline void GiveBinaryBuffer(jol::ScriptContext* ctx) {
    const jol::KeywordEntry* row = jol::FindBuiltinKeyword("binaryalloc");
    jol::FunctionHandler alloc = row ? jol::FindHandler(row->id) : nullptr;
    if (!alloc) return;
    jol::Value result, args[6];
    args[1].i = kFuzzBufferSize;
    args[1].flags = jol::vf::Integer;
    alloc(ctx, row->id, result, args);
}

inline void DisableUnsafeFunctions() {
    static const char* const kNames[] = {
        "delay",      "timedelay",    "timewait",   "yields",      "iniwrite",      "iniwritepvt",
        "inidelete",  "inideletepvt", "environset", "filetimeset", "filetimetouch", "binaryalloc",
        "binaryfree", "binarywrite",  "binaryread", "addextender", "iconreplace",
    };
    jol::KeywordEntry* rows = jol::WritableBuiltinKeywords();
    const int count = jol::BuiltinKeywordCount();
    for (const char* name : kNames)
        for (int i = 0; i < count; ++i)
            if (std::strncmp(rows[i].name, name, sizeof rows[i].name) == 0)
                rows[i].kind |= jol::kind::Disabled;
    // Boxes take their default button without waiting for anyone.
    plat::set_env("JOL_ANSWERS", "default");
}

// Process-wide set-up before any context is made: the settings store in a
// folder of its own under the temporary folder, the function rows the
// target keeps away from disabled, the version handshake.
inline void StartProcess(const char* home_folder, void (*disable_rows)()) {
    const std::string home = (std::filesystem::temp_directory_path() / home_folder).string();
    std::filesystem::create_directories(home);
    plat::set_env("JOL_HOME", home.c_str());
    disable_rows();
    if (DoDaDllInit(0, 0, 0x1300, 0, 0, nullptr, nullptr) != 17840) std::abort();
}

// The blocks a fuzz run works in: a context set up as a host sets one up
// (variable table, string heap), in quiet mode with line notifications and
// the session's binary buffer, and the heap's free total while it is empty.
struct Blocks {
    plat::MemHandle context = 0, vars = 0, heap = 0;
    std::uint32_t empty_total = 0;

    Blocks() {
        context = plat::mem_alloc(sizeof(jol::ScriptContext));
        vars = plat::mem_alloc(sizeof(jol::VarEntry) * kVarEntries);
        heap = plat::mem_alloc(kHeapBytes);
        if (DoDaDllInit(0, context, 0, 1, 0, nullptr, nullptr) != 52 ||
            DoDaDllInit(0, context, vars, 2, kVarEntries, "FUZZ", "FUZZ.INI") != 1 ||
            DoDaDllInit(0, context, heap, 3, kHeapBytes, "fuzz", nullptr) != 1)
            std::abort();
        auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(context));
        ctx->options.quiet = 1;
        ctx->options.quiet_log[0] = 0;
        ctx->hook_flags = 2; // line notifications
        GiveBinaryBuffer(ctx);
        plat::mem_unlock(context);
        empty_total = jol::HeapFreeTotal(static_cast<char*>(plat::mem_lock(heap)));
        plat::mem_unlock(heap);
    }
};

} // namespace fuzz
