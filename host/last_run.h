// The outcome of a context's last run and where an error stopped it, kept
// for the host.
#pragma once

#include <cstdint>

#include "host/context/text_sizes.h"

namespace jol {

struct LastRun {
    std::int16_t error = 0;
    std::int32_t result = 0;
    std::uint16_t line_start = 0;
};

// Where the error that stopped a run was reported, kept for the host
// (JolLastStop). code 0: none since the run started.
struct StopReport {
    std::int32_t code = 0;
    std::int32_t line = 0;        // 1-based line of that script
    std::uint32_t line_start = 0; // the line's offset in the script's text
    char file[kPathSize] = {};    // the script's name as the library knows it
    char message[kTextSize] = {}; // the error's text
    char text[kTextSize] = {};    // the line's text
};

} // namespace jol
