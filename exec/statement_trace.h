// What the statement executor notes about the statement it runs, for the
// debug trace.
#pragma once

#include <cstdint>

namespace jol {

struct StatementTrace {
    std::int32_t skip_at_start = 0;
    std::int32_t kind = 0;
    std::int32_t truth = 0;
};

} // namespace jol
