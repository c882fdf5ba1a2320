#include "lang/fast/change_epoch.h"

namespace jol {

namespace detail {
std::atomic<std::uint64_t> g_change_epoch{1};
} // namespace detail

void NoteChange() {
    detail::g_change_epoch.fetch_add(1, std::memory_order_relaxed);
}

} // namespace jol
