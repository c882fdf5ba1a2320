// The DDE state of a context: the timeout, the DDE instance and the table
// of open conversations.
#pragma once

#include <cstdint>

namespace jol {

struct DdeState {
    std::uint32_t timeout = 0;
    std::uint32_t instance = 0;
    std::uintptr_t conversations[10] = {};
};

} // namespace jol
