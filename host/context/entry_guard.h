// Serialises the calls of DoDaDllInit process-wide: a call that finds
// another in progress waits, polling every 50 ms, until it has ended. A call
// made on the thread that already holds the guard (the message pump of a
// guarded request re-entering DoDaDllInit) would wait for itself forever;
// it is refused instead.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace jol {

class EntryGuard {
public:
    EntryGuard();
    ~EntryGuard();
    EntryGuard(const EntryGuard&) = delete;
    EntryGuard& operator=(const EntryGuard&) = delete;

    // False when the call re-entered on the owning thread and must fail.
    bool entered() const { return entered_; }

    // The count of DoDaDllInit calls in progress (0 or 1).
    static std::int32_t InProgress();

private:
    bool entered_ = false;
};

} // namespace jol
