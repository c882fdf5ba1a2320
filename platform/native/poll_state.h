// What the message pump's look between script lines reads on the native
// backend, shared by the desktop's queue and the console interrupt so that
// one call can tell that there is nothing to look at.
#pragma once

#include <atomic>
#include <cstddef>

namespace plat::detail {

// The length of the desktop's message queue (written under its lock).
extern std::atomic<std::size_t> g_queued;
// 1 while an interrupt request waits to be taken (set by the signal handler).
extern std::atomic<int> g_cancel_pending;

} // namespace plat::detail
