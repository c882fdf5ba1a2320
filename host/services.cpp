#include "host/services.h"

#include <cstring>
#include <string>

#include "dispatch/extenders.h"
#include "exec/error_report.h"
#include "host/call.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/integer_text.h"
#include "host/context/script_context.h"
#include "host/context/settings.h"
#include "include/jol.h"
#include "lang/keyword_table.h"
#include "lang/variables.h"
#include "lib/desktop/launch.h"
#include "lib/desktop/menus.h"
#include "lib/desktop/window_functions.h"
#include "lib/desktop/window_placement.h"
#include "platform/memory.h"
#include "platform/window_system.h"

namespace jol {
namespace {

constexpr std::size_t kNameMax = 13; // characters of a keyword name

const char* Text(const char* t) {
    return t ? t : "";
}

// Copies min(length, buffer size) bytes of data into the binary buffer and
// sets its end of data to the count copied. 1 when everything fitted, 0
// when it was cut, -1 for a handle that names no buffer or no data (the
// end of data is then 0).
std::int32_t FillBuffer(ScriptContext* ctx, const char* data, std::intptr_t length,
                        std::intptr_t handle) {
    const std::intptr_t index = handle - kBufferHandleBase;
    if (index < 0 || index >= kBufferSlots || !ctx->buffers[index].block) return -1;
    BufferSlot& b = ctx->buffers[index];
    if (!data) {
        b.eod = 0;
        return -1;
    }
    if (length <= 0) {
        b.eod = 0;
        return 1;
    }
    std::size_t capacity = plat::mem_size(b.block);
    if (b.size < capacity) capacity = b.size;
    const std::size_t wanted = static_cast<std::size_t>(length);
    const std::size_t n = wanted < capacity ? wanted : capacity;
    auto* p = static_cast<char*>(plat::mem_lock(b.block));
    if (!p) return -1;
    std::memcpy(p, data, n);
    plat::mem_unlock(b.block);
    b.eod = static_cast<std::uint32_t>(n);
    return n == wanted ? 1 : 0;
}

// Sets a variable to a text, or fills the binary buffer whose handle the
// variable holds.
std::int32_t SetVariableOrBuffer(ScriptContext* ctx, const char* name, const char* data,
                                 std::intptr_t length) {
    if (!name || !*name) return 0;
    const int n = LookupVariable(ctx, name);
    if (n >= 0) {
        const VarEntry& e = ctx->vars[n];
        if ((e.flags & vf::Integer) && !(e.flags & vf::String) && e.i != 0)
            return FillBuffer(ctx, data, length, e.i);
    }
    SetVariable(ctx, name, Text(data), 0, 2);
    return 1;
}

// Sets (flag 0) or clears the disabled bit of the built-in keywords named
// in the list. The names are lower case and in the table's order: each
// search starts after the row found for the previous name.
std::int32_t DisableKeywords(const char* names, const char* delimiters, std::intptr_t flag) {
    if (!names || !*names || !delimiters || !*delimiters) return 0;
    const char delimiter = delimiters[0];
    KeywordEntry* rows = WritableBuiltinKeywords();
    const int count = BuiltinKeywordCount();
    int from = 0;
    std::int32_t result = 1;
    const char* p = names;
    while (*p) {
        while (*p == delimiter)
            ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && *p != delimiter)
            p += CharBytes(p);
        const std::size_t len = static_cast<std::size_t>(p - start);
        if (len > kNameMax) {
            result = 0;
            continue;
        }
        int found = -1;
        for (int r = from; r < count; ++r) {
            if (rows[r].length == static_cast<std::int16_t>(len) &&
                std::memcmp(rows[r].name, start, len) == 0) {
                found = r;
                break;
            }
        }
        if (found < 0) {
            result = 0;
            continue;
        }
        if (flag == 0)
            rows[found].kind |= kind::Disabled;
        else
            rows[found].kind &= static_cast<std::uint16_t>(~kind::Disabled);
        from = found + 1;
    }
    return result;
}

// The texts of the last box written in quiet mode.
std::int32_t LastLoggedBox(ScriptContext* ctx, char* text, char* caption, std::intptr_t size) {
    ctx->last_logged_body[kTextSize - 1] = 0;
    ctx->last_logged_title[kTextSize - 1] = 0;
    const bool present = ctx->last_logged_body[0] || ctx->last_logged_title[0];
    if (size > 0) {
        const auto n = static_cast<std::size_t>(size);
        if (text) CopyBounded(ctx, text, ctx->last_logged_body, n);
        if (caption) CopyBounded(ctx, caption, ctx->last_logged_title, n);
    }
    return present ? 1 : 0;
}

std::int32_t Previous(std::int32_t& field, std::int32_t value) {
    const std::int32_t old = field;
    field = value;
    return old;
}

std::int32_t RunRequest(ScriptContext* ctx, std::int32_t request, char* text1, char* text2,
                        std::intptr_t number, std::intptr_t number2, SavedError* saved_error) {
    switch (request) {
    case service::SetNames:
        CopyBounded(ctx, ctx->script_name, Text(text1), kTextSize);
        CopyBounded(ctx, ctx->host_name2, Text(text2), kTextSize);
        return 1;
    case service::SetVariableOrBuffer:
        return SetVariableOrBuffer(ctx, text1, text2, number2);
    case service::GetVariable:
        if (!text2 || number <= 0) return 0;
        return GetVariableText(ctx, Text(text1), text2, static_cast<std::size_t>(number));
    case service::HookFlags: {
        const std::uint32_t old = ctx->hook_flags;
        ctx->hook_flags = static_cast<std::uint32_t>(number);
        return static_cast<std::int32_t>(old);
    }
    case service::LastError:
        return ctx->last_run.error;
    case service::LastResult:
        return ctx->last_run.result;
    case service::LastLine:
        return ctx->last_run.line_start;
    case service::Stop:
        ctx->cancel = 1;
        ctx->report_cancel = static_cast<std::int32_t>(number);
        return 1;
    case service::HostDialog:
        return Previous(ctx->host_dialog_flag, static_cast<std::int32_t>(number));
    case service::Parameters:
        return StoreParameters(ctx, Text(text1));
    case service::SetErrorCode:
        // The caller's code becomes the host's number once the request ends.
        saved_error->code = static_cast<std::int16_t>(number);
        return 1;
    case service::TerminationFlags:
        return ctx->options.termination_flags;
    case service::SaveWindowPosition: {
        std::string position;
        if (!PositionText(static_cast<plat::Hwnd>(number), &position))
            return Raise(ctx, Err::WinPositionNotFound);
        WriteSetting(ctx->settings_section, Text(text1), position.c_str(), ctx->settings_ini);
        return 1;
    }
    case service::PlaceWindow: {
        const auto w = static_cast<plat::Hwnd>(number);
        if (!w || !plat::is_window(w)) return Raise(ctx, Err::WinPlaceNotFound);
        std::int32_t v[4] = {};
        const char* at = Text(text1);
        for (std::int32_t& n : v) {
            n = ParseIntegerText(at);
            const char* comma = std::strchr(at, ',');
            at = comma ? comma + 1 : "";
        }
        return PlaceWindow(ctx, w, v[0], v[1], v[2], v[3]);
    }
    case service::ActivateWindow:
        return ActivateByName(ctx, Text(text1));
    case service::SendMenu:
        return SendMenuCommand(ctx, static_cast<plat::Hwnd>(number2), Text(text1));
    case service::RunByExtension:
        return RunByExtension(ctx, Text(text1), number, number2 != 0);
    case service::HostFlagA: {
        const std::int32_t old = ctx->options.host_flag_a;
        if (number == 0 || number == 1)
            ctx->options.host_flag_a = static_cast<std::int32_t>(number);
        return old;
    }
    case service::ListDelimiter:
        return ctx->options.list_delimiter;
    case service::QuietMode:
        return SetQuietMode(ctx, number != 0, text1);
    case service::DisableKeywords:
        return DisableKeywords(text1, text2, number);
    case service::LastLoggedBox:
        return LastLoggedBox(ctx, text1, text2, number);
    case service::FillBuffer:
        return FillBuffer(ctx, text1, reinterpret_cast<std::intptr_t>(text2), number2);
    case service::VariableCount:
        return number == 1 ? ctx->vars_count : 0;
    default:
        return 0;
    }
}

} // namespace
} // namespace jol

JOL_EXPORT std::int32_t DLLServices(plat::MemHandle context, std::int32_t request, char* text1,
                                    char* text2, std::intptr_t number, std::intptr_t number2) {
    using namespace jol;
    // The context and then its variable table and string heap; the locks
    // nest when an extender calls in during a run.
    plat::LockedBlock context_lock(context);
    if (!context_lock.get() || plat::mem_size(context) < sizeof(ScriptContext)) return 0;
    auto* ctx = static_cast<ScriptContext*>(context_lock.get());
    plat::LockedBlock vars_lock(ctx->vars_handle);
    if (!vars_lock.get()) return 0;
    plat::LockedBlock heap_lock(ctx->heap.handle);
    if (!heap_lock.get() || !ctx->heap.size) return 0;

    VarEntry* const outer_vars = ctx->vars;
    char* const outer_heap = ctx->heap.base;
    ctx->vars = static_cast<VarEntry*>(vars_lock.get());
    ctx->heap.base = static_cast<char*>(heap_lock.get());
    // The caller may have written the table directly before calling in.
    InvalidateVariableIndex(ctx);

    // A request runs with no error pending and leaves the caller's code as
    // it was (request 13 replaces it); a request that raised one fails.
    SavedError saved_error = SetErrorAside(ctx);
    std::int32_t result = RunRequest(ctx, request, text1, text2, number, number2, &saved_error);
    if (HasError(ctx)) result = 0;
    RestoreError(ctx, saved_error);

    ctx->vars = outer_vars;
    ctx->heap.base = outer_heap;
    return result;
}

jol::ExtArg jol::ServiceEntryAddress() {
    return reinterpret_cast<ExtArg>(&DLLServices);
}
