#include "host/context/entry_guard.h"

#include "platform/environment.h"

namespace jol {
namespace {

std::atomic<std::int32_t> g_count{0};
std::atomic<std::thread::id> g_owner{};

} // namespace

EntryGuard::EntryGuard() {
    const std::thread::id self = std::this_thread::get_id();
    for (;;) {
        std::int32_t expected = 0;
        // Testing the count and raising it is one atomic step.
        if (g_count.compare_exchange_strong(expected, 1)) {
            g_owner.store(self);
            entered_ = true;
            return;
        }
        if (g_owner.load() == self) return; // re-entered on the owning thread
        plat::sleep_ms(50);
    }
}

EntryGuard::~EntryGuard() {
    if (!entered_) return;
    g_owner.store(std::thread::id{});
    g_count.store(0);
}

std::int32_t EntryGuard::InProgress() {
    return g_count.load();
}

} // namespace jol
