// The switches of the fast paths of the language core and the run loop, one
// bit per speed-up. Each fast path gives exactly the results of the plain
// path it stands in for; JOL_NO_SPEEDUPS in the environment names the ones
// to switch off for the whole process ("all", or "1", for every one; or a
// comma-separated list of the names below), so that both can be compared.
#pragma once

#include <cstdint>

namespace jol {

namespace speedup {
// The line cache (lang/fast/line_cache.h): lines kept with the bytes they
// were fetched from. The token cache and the expression programs live in
// its entries and stop with it.
constexpr std::uint32_t Lines = 1u << 0;
// The tokens recorded per cached line and served again, with the host
// keyword check that drops them when the host rewrites its table. The
// expression programs are made from them and stop with them.
constexpr std::uint32_t Tokens = 1u << 1;
// The expression programs (lang/fast/expression_programs.h).
constexpr std::uint32_t Programs = 1u << 2;
// The variable index and the entry hints of recorded names, and the
// seven-bit names that are their own keys.
constexpr std::uint32_t Variables = 1u << 3;
// The keyword scan that passes over rows by their first character.
constexpr std::uint32_t Keywords = 1u << 4;
// The integer round of a FOR loop.
constexpr std::uint32_t IntegerFor = 1u << 5;

constexpr std::uint32_t All = Lines | Tokens | Programs | Variables | Keywords | IntegerFor;

// The names JOL_NO_SPEEDUPS takes, in bit order.
inline constexpr const char* kNames[] = {"lines",     "tokens",   "programs",
                                         "variables", "keywords", "for"};
constexpr int kCount = sizeof kNames / sizeof kNames[0];
} // namespace speedup

namespace detail {
// Set once, when the library starts, from the environment (and only by
// SetSpeedupsForTesting after that). A read before that sees 0 and takes
// the plain paths, which give the same results.
extern std::uint32_t g_speedups;
} // namespace detail

// True when the speed-up (a speedup:: bit) is on.
inline bool SpeedupOn(std::uint32_t bit) {
    return (detail::g_speedups & bit) != 0;
}

// The speed-ups left on by a JOL_NO_SPEEDUPS value: null, empty or "0"
// leaves all on; "all" or "1" switches all off; otherwise each name of the
// comma-separated list is switched off (names are compared without regard
// to case; unknown names are passed over).
std::uint32_t SpeedupsLeftOn(const char* no_speedups);

// For tests only: sets the speed-ups on (a mask of speedup:: bits) for the
// whole process, so that one process can run the same script both ways and
// compare. Call it only between runs, never while a script runs. Recorded
// tokens and kept lines are dropped.
void SetSpeedupsForTesting(std::uint32_t on);

} // namespace jol
