// The outcome of a context's last run, kept for the host.
#pragma once

#include <cstdint>

namespace jol {

struct LastRun {
    std::int16_t error = 0;
    std::int32_t result = 0;
    std::uint16_t line_start = 0;
};

} // namespace jol
