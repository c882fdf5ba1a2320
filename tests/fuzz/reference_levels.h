// The oracle of the evaluator's precedence climb for the differential
// fuzzer: the same expressions evaluated by a descent with one function
// frame per precedence level.
#pragma once

#include "host/context/script_context.h"

namespace fuzz {

// An ExpressionRoutine (lang/evaluator.h): the whole expression at the
// current token into out, with the climb's tokens, operations and errors.
int ReferenceExpression(jol::ScriptContext* ctx, jol::Value& out);

} // namespace fuzz
