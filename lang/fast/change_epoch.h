// The change epoch: a process-wide count that moves on whenever something
// the fast paths keep answers about may have changed behind them: code
// outside the library may have run (a host's callback or window procedure,
// an extender, a DLL, a box's message loop, any function but the few that
// only compute), a variable was named or dropped, a variable table was
// bound, or the library wrote, made or freed a script block. An answer
// checked at one epoch (a name found in its entry, a line found in its
// block's bytes) holds while the epoch stands, so it is checked again only
// after the epoch has moved. It starts at 1: 0 is never an epoch.
//
// Code outside the library runs on the run's own thread (the host calls in
// from its user-interface thread and is called back there); a host that
// wrote a running script's block or table from another thread, with no
// call into or out of the library between, would be seen only once the
// epoch moves.
#pragma once

#include <atomic>
#include <cstdint>

namespace jol {

namespace detail {
extern std::atomic<std::uint64_t> g_change_epoch;
} // namespace detail

inline std::uint64_t ChangeEpoch() {
    return detail::g_change_epoch.load(std::memory_order_relaxed);
}

void NoteChange();

} // namespace jol
