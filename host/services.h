// DLLServices, the service entry that extenders and the host call to read
// and set variables, fill binary buffers, query the outcome of the last
// run and change a few settings of a context.
#pragma once

#include <cstdint>

#include "dispatch/extender_abi.h"
#include "include/jol.h"
#include "platform/abi.h"

namespace jol {

// Binary buffer handles as scripts see them: this number plus the slot.
constexpr std::int32_t kBufferHandleBase = 987659;

} // namespace jol

// DLLServices (declared in the public header) runs one service request on
// the context (its variable table and string heap are locked for the call;
// the call nests inside a run). A request that is not offered, a context
// or block that cannot be locked, or a request that fails with an error
// gives 0; the context's ErrorCode is as before the call (request 13 sets
// it).
