// The environment functions: Environment, EnvironSet and EnvItemize, over
// the process environment, or, for EnvItemize, over the environment block
// the host supplied in the context (entries "NAME=value", each ended by a
// zero byte, with a second zero after the last).
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

// Walks the context's environment block, when there is one, else the
// process environment, calling visit with each entry in block order until
// it returns false. A block held in a memory block is never read past its
// end.
void ForEachEnvironmentEntry(ScriptContext* ctx, bool (*visit)(const char* entry, void* data),
                             void* data);

// The module record of Environment, EnvironSet and EnvItemize.
extern const Module kEnvironmentModule;

} // namespace jol
