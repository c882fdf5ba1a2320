// The console interrupt of the native backend: SIGINT becomes a cancel
// request that the message pump's cancel test takes.
#include <signal.h>

#include <atomic>

#include "platform/interrupt.h"
#include "platform/native/poll_state.h"

namespace plat {

namespace detail {
// Lock-free, so that the signal handler may set it.
constinit std::atomic<int> g_cancel_pending{0};
static_assert(std::atomic<int>::is_always_lock_free);
} // namespace detail

namespace {

using detail::g_cancel_pending;

extern "C" void on_interrupt(int) {
    g_cancel_pending.store(1);
}

} // namespace

void watch_interrupt() {
    struct sigaction sa = {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no restart: a terminal prompt waiting for input gives up
    ::sigaction(SIGINT, &sa, nullptr);
}

void request_cancel() {
    g_cancel_pending.store(1);
}

bool cancel_requested() {
    // Asked before every script line: a plain read while nothing is
    // pending, the exchange (which takes the request) only when one is.
    if (g_cancel_pending.load(std::memory_order_relaxed) == 0) return false;
    return g_cancel_pending.exchange(0) != 0;
}

} // namespace plat
