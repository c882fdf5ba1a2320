#include "lang/speedups.h"

#include <cstdlib>

namespace jol {
namespace {

bool ReadSwitch() {
    const char* v = std::getenv("JOL_NO_SPEEDUPS");
    return !(v && v[0] && !(v[0] == '0' && v[1] == 0));
}

} // namespace

namespace detail {
extern const bool g_speedups_on = ReadSwitch();
} // namespace detail

} // namespace jol
