// The DDE client: DdeInitiate, DdeExecute, DdePoke, DdeRequest,
// DdeTerminate and DdeTimeout, ten conversations per context, and the
// callback of the DDE library, exported as ClientCallback.
#pragma once

#include <cstdint>

#include "dispatch/handler.h"
#include "platform/abi.h"

namespace jol {

extern const Module kDdeModule;

// Sets up the DDE state of a fresh context (the timeout of 3000 ms).
void InitDdeState(ScriptContext* ctx);

} // namespace jol

// Called by the DDE library while a transaction waits or the messages are
// pumped: a server that ends a conversation frees its channel.
JOL_LISTED_EXPORT std::uintptr_t JOL_STDCALL ClientCallback(
    std::uint32_t type, std::uint32_t format, std::uintptr_t conversation, std::uintptr_t name1,
    std::uintptr_t name2, std::uintptr_t data, std::uintptr_t word1, std::uintptr_t word2);
