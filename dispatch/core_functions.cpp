// The built-in functions that belong to no library module: the error
// functions, and the functions about the run and the system (DosVersion,
// EndSession, Exclusive, IgnoreInput, Terminate, Version, VersionDll,
// Yields). Call is script loading's (host/call.cpp).
#include "dispatch/core_functions.h"

#include <cstring>

#include "dispatch/extenders.h"
#include "exec/error_report.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/process_state.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "platform/boxes.h"
#include "platform/environment.h"
#include "platform/sound.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr int kHostVersionFunction = kw::HostBase + 1;

int FnErrorMode(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = SwapErrorMode(ctx, args[1].i);
    return 1;
}

int FnLastError(ScriptContext* ctx, int, Value& result, Value*) {
    result.i = TakeLastError(ctx);
    return 1;
}

int FnDosVersion(ScriptContext*, int, Value& result, Value* args) {
    const VersionFacts& v = Process().version;
    result.i = static_cast<std::int32_t>(args[1].i == 0 ? v.minor : v.major);
    return 1;
}

// On acceptance the run ends before its next line, without the cancel box:
// the session is going away.
int FnEndSession(ScriptContext* ctx, int, Value& result, Value*) {
    result.i = plat::end_session() ? 1 : 0;
    if (result.i) {
        ctx->cancel = 1;
        ctx->report_cancel = 0;
    }
    return 1;
}

int FnExclusive(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = ctx->exclusive;
    ctx->exclusive = args[1].i != 0 ? 1 : 0;
    return 1;
}

int FnIgnoreInput(ScriptContext* ctx, int, Value&, Value*) {
    return Raise(ctx, Err::NoInputControl);
}

int FnTerminate(ScriptContext* ctx, int, Value& result, Value* args) {
    if (args[1].i == 0) {
        result.i = 1;
        return 1;
    }
    const char* title = ArgText(ctx, args[2]);
    const char* message = ArgText(ctx, args[3]);
    if (*title || *message) {
        if (ctx->sounds) plat::play_system_sound("SystemHand");
        if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);
        ShowMessageBox(ctx, ctx->host_window, message, title,
                       plat::mb::Ok | plat::mb::SetForeground);
    }
    result.i = 0;
    return Raise(ctx, Err::StopTerminate);
}

int FnVersion(ScriptContext* ctx, int, Value& result, Value* args) {
    return ExtenderCall(ctx, kHostVersionFunction, result, args);
}

int FnVersionDll(ScriptContext* ctx, int, Value& result, Value*) {
    char text[64];
    LoadMessage(ctx, msg::Version, text, sizeof text);
    const std::uint16_t h = HeapCopyText(ctx, text);
    if (!h) return Raise(ctx, Err::StringMemory);
    result.str = h;
    result.flags = vf::String;
    return 1;
}

int FnYields(ScriptContext* ctx, int, Value& result, Value* args) {
    for (std::int32_t n = 0; n < args[1].i; ++n)
        PumpMessages(ctx);
    result.i = 1;
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"errormode", FnErrorMode, trait::OwnContext},
    {"lasterror", FnLastError, trait::OwnContext},
    {"dosversion", FnDosVersion, 0},
    {"endsession", FnEndSession, 0},
    {"exclusive", FnExclusive, 0},
    {"ignoreinput", FnIgnoreInput, 0},
    {"terminate", FnTerminate, 0},
    {"version", FnVersion, 0},
    {"versiondll", FnVersionDll, 0},
    {"yields", FnYields, 0},
};

} // namespace

const Module kCoreModule = MakeModule("core", kFunctions);

} // namespace jol
