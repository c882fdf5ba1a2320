#include "host/context/message_pump.h"

#include "host/context/script_context.h"
#include "host/context/variable_index.h"
#include "platform/abi.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/input.h"
#include "platform/interrupt.h"
#include "platform/window_system.h"

namespace jol {
namespace {

constexpr std::uint32_t kHookPoll = 1;
const char kEmptyText[] = "";

// The full look between lines (the queue and the cancel keys, a system
// call each on Windows) is taken once this many microseconds have passed
// since the last one: host windows are still serviced and Ctrl+Break still
// seen within a millisecond, and a line costs no system call.
constexpr std::uint64_t kLookInterval = 1000;

// When the next full look between lines of this thread is due. The fast
// ticks are read before every line; the microsecond clock, a system call
// on some systems, only when the ticks say a look may be due, and it
// measures the ticks' rate afresh at every look.
struct LookClock {
    std::uint64_t ticks = 0;    // the fast ticks at the last look
    std::uint64_t us = 0;       // the microsecond clock at the last look
    std::uint64_t interval = 0; // ticks per look interval; 0 while unknown
};
thread_local LookClock t_look JOL_FAST_TLS;

bool LookDue() {
    const std::uint64_t ticks = plat::fast_ticks();
    if (ticks < t_look.ticks) {
        // Another processor's counter: measure the rate again.
        t_look.ticks = ticks;
        t_look.interval = 0;
    }
    const std::uint64_t ticked = ticks - t_look.ticks;
    if (t_look.interval && ticked < t_look.interval) return false;
    const std::uint64_t us = plat::monotonic_us();
    if (t_look.us != 0) {
        // The ticks' rate over the span since the last look: the interval
        // is measured afresh each time, so a wrong figure lasts one look at
        // most.
        const std::uint64_t elapsed = us - t_look.us;
        if (elapsed > 0 && ticked > 0)
            t_look.interval =
                ticked / elapsed * kLookInterval + ticked % elapsed * kLookInterval / elapsed;
        if (elapsed < kLookInterval) return false;
    }
    t_look.ticks = ticks;
    t_look.us = us;
    return true;
}

ExtArg TextArg(const char* text) {
    return reinterpret_cast<ExtArg>(text);
}

// The poll notification, for a host that asked for it (hook flag 1).
inline void NotifyPoll(ScriptContext* ctx) {
    if (ctx->hook_flags & kHookPoll) NotifyHostText(ctx, notify::Poll, "1");
}

// The messages from m on, m taken already: each is handled, the cancel keys
// are polled, and the next is taken while the script is not cancelled.
[[gnu::noinline]] void PumpFrom(ScriptContext* ctx, plat::Msg& m, bool sleep_between) {
    do {
        if (m.message == plat::kWmQuit) {
            // The quit request belongs to the host's own message loop: put
            // it back and stop pumping, so the host still sees it.
            plat::post_quit_message(static_cast<int>(m.wparam));
            return;
        }
        plat::Hwnd target = m.hwnd;
        if (target && (plat::get_window_style(target) & plat::ws::TabStop))
            target = plat::get_parent(target);
        if (!(target && plat::is_dialog_message(target, &m))) {
            plat::translate_message(&m);
            plat::dispatch_message(&m);
        }
        // A window procedure of the host may have written the table.
        InvalidateVariableIndex(ctx);
        PollCancelKeys(ctx);
        if (sleep_between) plat::sleep_ms(20);
    } while (!ctx->cancel && plat::peek_message(&m, true));
}

// The pump between two lines finds the queue empty nearly every time: that
// case takes one look at the queue and the cancel keys, and nothing more.
inline void Pump(ScriptContext* ctx, bool sleep_between) {
    // Nothing queued, no interrupt and no cancel keys down: the looks would
    // take nothing and set no cancel flag, and only the poll notification
    // is left to give.
    if (plat::nothing_to_poll()) {
        NotifyPoll(ctx);
        return;
    }
    plat::Msg m;
    if (ctx->cancel || !plat::peek_message(&m, true)) {
        PollCancelKeys(ctx);
        return;
    }
    PumpFrom(ctx, m, sleep_between);
}

// The cancel chord was seen: the script is cancelled unless it switched
// Ctrl+Break off.
void NoteCancelChord(ScriptContext* ctx) {
    if (!(ctx->options.termination_flags & termination::IgnoreBreak)) ctx->cancel = 1;
}

} // namespace

void PumpMessages(ScriptContext* ctx) {
    Pump(ctx, true);
}

void PumpMessagesExclusive(ScriptContext* ctx) {
    Pump(ctx, false);
}

void PumpBetweenLines(ScriptContext* ctx) {
    // Where the backend can tell at no cost that a look would find nothing,
    // the clock is not read at all.
    if (plat::nothing_to_poll()) {
        NotifyPoll(ctx);
        return;
    }
    if (!LookDue()) {
        // Between full looks only the interrupt request is read, a word of
        // memory; it is taken as the full look would take it.
        if (plat::cancel_requested()) NoteCancelChord(ctx);
        NotifyPoll(ctx);
        return;
    }
    Pump(ctx, !ctx->exclusive);
}

void PollCancelKeys(ScriptContext* ctx) {
    // The console's interrupt (Ctrl+C) counts as the cancel chord; a pending
    // request is taken even while Ctrl+Break is switched off, so that it
    // does not linger until it is switched on again.
    const bool interrupt = plat::cancel_requested();
    if (interrupt || (plat::key_down(plat::vk::Control) && plat::key_down(plat::vk::Cancel)))
        NoteCancelChord(ctx);
    NotifyPoll(ctx);
}

std::int32_t NotifyHost(ScriptContext* ctx, ExtArg request, const ExtArg (&args)[5]) {
    if (!ctx->host_callback) return 0;
    const std::int32_t answer = ctx->host_callback(
        static_cast<ExtArg>(ctx->host_parent), static_cast<ExtArg>(ctx->host_instance),
        kExtenderInterfaceVersion, request, 0, 0, 0, args[0], args[1], args[2], args[3], args[4]);
    // The host's code ran and may have written the variable table.
    InvalidateVariableIndex(ctx);
    return answer;
}

std::int32_t NotifyHostText(ScriptContext* ctx, ExtArg request, const char* text) {
    const ExtArg empty = TextArg(kEmptyText);
    const ExtArg args[5] = {text ? TextArg(text) : empty, empty, empty, empty, empty};
    return NotifyHost(ctx, request, args);
}

} // namespace jol
