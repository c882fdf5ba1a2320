// The function dispatcher: calls of built-in, host and extender functions.
#pragma once

#include "host/context/script_context.h"

namespace jol {

// Calls the function with the keyword id; the current token is the function
// name. Returns 1 with the function's value in result, 0 with an error.
int CallFunction(ScriptContext* ctx, int id, Value& result);

// The same call of a function with a fixed argument count whose arguments
// args[1..count] have been evaluated already (args[0] holds no string):
// converted as its row asks, dispatched, the arguments freed in order.
// Returns 1 with the value in result, 0 with an error. Only for functions
// that run no code outside the library: the change epoch stands.
int CallWithArguments(ScriptContext* ctx, int id, Value& result, Value* args, int count);

// Frees the strings of count evaluated arguments, first to last, as a call
// whose argument list failed frees the complete ones.
void FreeArguments(ScriptContext* ctx, Value* first, int count);

} // namespace jol
