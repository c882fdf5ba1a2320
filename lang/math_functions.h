// The numeric built-in functions and the floating-point error state.
//
// The pending math error is process-wide: a guarded library call stores the
// code of its failure there, and the operation that made the call moves it
// into the context with TakeMathError when it finishes.
#pragma once

#include "dispatch/handler.h"
#include "lang/value.h"
#include "resources/error_codes.h"

namespace jol {

struct ScriptContext;

// The pending math error: Err::None when there is none.
Err PendingMathError();
void SetPendingMathError(Err code);
void ClearPendingMathError();
// Moves a pending math error into the context's error code (when the
// context has none yet) and clears it; returns the code, Err::None when
// none was pending.
Err TakeMathError(ScriptContext* ctx);

// Library calls that detect domain errors, singularities, overflow and
// results that are no number themselves: on such a failure the code is made
// pending and the result is 1.0; an underflow gives 0.0 without an error.
// The logarithm of zero or a negative number is Err::MathLogDomain.
double GuardedPower(double base, double exponent);
double GuardedLog10(double x);
double GuardedFloor(double x);

// The numeric built-ins (Abs, Fabs, Int, Floor, Ceiling, Sin, Cos, Tan,
// Asin, Acos, Atan, Sinh, Cosh, Tanh, Exp, LogE, Log10, Sqrt, Decimals) by
// keyword id. args[1..5] hold the converted arguments. Fills result and
// returns 1, or 0 with the error code in the context. An id that is not one
// of these functions fails with Err::FunctionNotDefined.
int FnMath(ScriptContext* ctx, int id, Value& result, Value* args);
// True when id is one of the functions FnMath serves.
bool IsMathFunction(int id);

// The module record of the numeric functions.
extern const Module kMathModule;

} // namespace jol
