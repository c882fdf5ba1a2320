// The extenders a context loaded and the keyword rows they delivered.
#pragma once

#include <cstdint>

#include "host/context/text_sizes.h"
#include "lang/keyword_entry.h"
#include "platform/handles.h"

namespace jol {

constexpr int kExtenderSlots = 10;
constexpr int kExtenderRows = 201;

struct ExtenderTable {
    std::int32_t loaded = 0;
    plat::Module modules[kExtenderSlots] = {};
    std::uint32_t data[kExtenderSlots] = {};
    std::int32_t row_count = 0;
    KeywordEntry rows[kExtenderRows];
    // the error text an extender or host function reported with its answer
    char error_text[kTextSize];
};

} // namespace jol
