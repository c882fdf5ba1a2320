#include "lang/fast/speedups.h"

#include <cstdlib>

#include "lang/fast/line_cache.h"

namespace jol {
namespace {

bool ReadSwitch() {
    const char* v = std::getenv("JOL_NO_SPEEDUPS");
    return !(v && v[0] && !(v[0] == '0' && v[1] == 0));
}

} // namespace

namespace detail {
bool g_speedups_on = ReadSwitch();
} // namespace detail

void SetSpeedupsForTesting(bool on) {
    detail::g_speedups_on = on;
    InvalidateTokenCache();
    ClearLineCache();
}

} // namespace jol
