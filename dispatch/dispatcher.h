// The function dispatcher: calls of built-in, host and extender functions.
#pragma once

#include "host/script_context.h"

namespace jol {

// Calls the function with the keyword id; the current token is the function
// name. Returns 1 with the function's value in result, 0 with an error.
int CallFunction(ScriptContext* ctx, int id, Value& result);

} // namespace jol
