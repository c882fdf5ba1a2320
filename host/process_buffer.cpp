// ProcessDaBatBuffer: prepares a run over the host's script block, runs it
// and leaves the outcome in the context.
#include "host/process_buffer.h"

#include <cstring>

#include "exec/error_report.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "host/fault_report.h"
#include "host/script_run.h"
#include "lang/variables.h"
#include "platform/environment.h"
#include "platform/input.h"
#include "platform/memory.h"
#include "platform/window_system.h"

namespace jol {
namespace {

bool IsByteOrderMark(const unsigned char* text) {
    const unsigned mark = text[0] | static_cast<unsigned>(text[1]) << 8;
    return mark == 0xFEFF || mark == 0xFFFE;
}

// The text length of the script block, UTF-16 text converted in place
// first; 0 when the block holds no usable script (an empty text is a
// usable script of length 0, told apart by ok).
std::size_t PrepareText(ScriptContext* ctx, char* text, std::size_t block_size, bool* ok) {
    *ok = false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (block_size >= 2 && IsByteOrderMark(bytes)) {
        // UTF-16: up to the first zero unit within the block.
        std::size_t units = block_size / 2;
        std::size_t k = 1;
        while (k < units && (bytes[2 * k] | bytes[2 * k + 1]))
            ++k;
        const std::size_t n = ConvertUnicodeScript(ctx, text, 2 * k);
        if (n == 0 || n > kMaxScriptText) return 0;
        *ok = true;
        return n;
    }
    const void* end = std::memchr(text, 0, block_size);
    if (!end) return 0;
    const std::size_t n = static_cast<std::size_t>(static_cast<const char*>(end) - text);
    if (n > kMaxScriptText) return 0;
    *ok = true;
    return n;
}

void ResetForRun(ScriptContext* ctx, plat::Hwnd window, ExtenderEntry callback,
                 const KeywordEntry* host_keywords) {
    ctx->host_window = window;
    const plat::Hwnd parent = plat::get_parent(window);
    ctx->host_parent = parent ? parent : window;
    ctx->cancel = 0;
    ctx->custom_buttons = 0;
    ctx->debug_mode = 0;
    ctx->structures = StructureStack{};
    ctx->error_mode = 1; // @cancel
    ctx->exclusive = 0;
    ctx->trace.skip_at_start = 0;
    ctx->trace.kind = 0;
    ctx->last_if = -1;
    ctx->last_statement_error = 0;
    ClearError(ctx);
    ctx->call_depth = 0;
    ctx->host_callback = callback;
    ctx->host_keywords = host_keywords;
    ctx->current_cursor = ctx->wait_cursor;
    ctx->report_cancel = 1;
    ForgetStop(ctx);
}

void Settle(ScriptContext* ctx) {
    plat::sleep_ms(20);
    PumpMessages(ctx);
    plat::set_cursor(ctx->current_cursor);
}

} // namespace
} // namespace jol

JOL_EXPORT std::int32_t ProcessDaBatBuffer(std::uintptr_t window, std::uintptr_t context,
                                           std::uintptr_t script, JolExtenderEntry callback,
                                           const JolKeywordEntry* host_table) {
    using namespace jol;
#ifdef JOL_FAULT_INJECTION
    StartFaultCounting();
#endif
    // The host's rows have the library's row layout (checked with the
    // public header in host/entry_points.cpp).
    const auto* host_keywords = reinterpret_cast<const KeywordEntry*>(host_table);
    plat::LockedBlock context_lock(context);
    auto* ctx = static_cast<ScriptContext*>(context_lock.get());
    // A block smaller than the record is no context; a bound heap means a
    // run of this context is in progress (a host must not start another
    // one from inside it).
    if (!ctx || plat::mem_size(context) < sizeof(ScriptContext) || ctx->heap.base || ctx->vars)
        return 0;

    RunCursor cur;
    {
        plat::LockedBlock script_lock(script);
        char* text = static_cast<char*>(script_lock.get());
        if (!text) return 0;
        bool ok = false;
        const std::size_t length = PrepareText(ctx, text, plat::mem_size(script), &ok);
        if (!ok) return 0;
        cur.block = script;
        cur.text_length = static_cast<std::uint16_t>(length);
    }

    plat::LockedBlock vars_lock(ctx->vars_handle);
    if (!vars_lock.get()) return 0;
    plat::LockedBlock heap_lock(ctx->heap.handle);
    if (!heap_lock.get() || !ctx->heap.size) return 0;
    ctx->vars = static_cast<VarEntry*>(vars_lock.get());
    ctx->heap.base = static_cast<char*>(heap_lock.get());

    // The host may have written the table since the last run.
    InvalidateVariableIndex(ctx);
    ResetForRun(ctx, window, callback, host_keywords);
    Settle(ctx);
    RunScript(ctx, cur);
    ctx->current_cursor = ctx->arrow_cursor;
    Settle(ctx);

    ctx->heap.base = nullptr;
    ctx->vars = nullptr;
    return 1;
}
