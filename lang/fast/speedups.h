// The switch of the fast paths of the language core and the run loop: the
// variable index, the single-pass precedence climb, the faster line fetch
// and keyword scan, and the line cache (lang/fast/line_cache.h). Each fast path
// gives exactly the results of the plain path it stands in for; setting
// JOL_NO_SPEEDUPS=1 in the environment selects the plain paths for the
// whole process, so that both can be compared.
#pragma once

namespace jol {

namespace detail {
// Set once, when the library starts, from the environment (and only by
// SetSpeedupsForTesting after that). A read before that sees false and
// takes the plain paths, which give the same results.
extern bool g_speedups_on;
} // namespace detail

// True unless the environment variable JOL_NO_SPEEDUPS is set to a value
// other than "0" or empty.
inline bool SpeedupsEnabled() {
    return detail::g_speedups_on;
}

// For tests only: switches the fast paths on or off for the whole process,
// so that one process can run the same script both ways and compare. Call
// it only between runs, never while a script runs. Recorded tokens are
// dropped.
void SetSpeedupsForTesting(bool on);

} // namespace jol
