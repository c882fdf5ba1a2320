#include "lang/fast/speedups.h"

#include <cstring>

#include "lang/fast/line_cache.h"
#include "platform/environment.h"

namespace jol {
namespace {

std::uint32_t ReadSwitches() {
    char value[256];
    const std::size_t n = plat::get_env("JOL_NO_SPEEDUPS", value, sizeof value);
    if (n == 0) return speedup::All;
    // A value longer than the buffer names more than every speed-up.
    if (n >= sizeof value) return 0;
    return SpeedupsLeftOn(value);
}

// The n bytes at p are the name, in any case.
bool IsName(const char* p, std::size_t n, const char* name) {
    if (std::strlen(name) != n) return false;
    for (std::size_t k = 0; k < n; ++k) {
        char c = p[k];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
        if (c != name[k]) return false;
    }
    return true;
}

} // namespace

std::uint32_t SpeedupsLeftOn(const char* no_speedups) {
    if (!no_speedups || !*no_speedups || std::strcmp(no_speedups, "0") == 0) return speedup::All;
    if (std::strcmp(no_speedups, "1") == 0) return 0;
    std::uint32_t on = speedup::All;
    const char* p = no_speedups;
    while (*p) {
        const char* comma = std::strchr(p, ',');
        const std::size_t n = comma ? static_cast<std::size_t>(comma - p) : std::strlen(p);
        if (IsName(p, n, "all")) on = 0;
        for (int k = 0; k < speedup::kCount; ++k)
            if (IsName(p, n, speedup::kNames[k])) on &= ~(1u << k);
        p += comma ? n + 1 : n;
    }
    return on;
}

namespace detail {
std::uint32_t g_speedups = ReadSwitches();
} // namespace detail

void SetSpeedupsForTesting(std::uint32_t on) {
    detail::g_speedups = on & speedup::All;
    InvalidateTokenCache();
    ClearLineCache();
}

} // namespace jol
