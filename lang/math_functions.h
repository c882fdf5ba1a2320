// The numeric built-in functions and the floating-point error state.
//
// The pending math error is process-wide: a guarded library call stores the
// code of its failure there, and the operation that made the call moves it
// into the context with TakeMathError when it finishes.
#pragma once

#include "lang/value.h"

namespace jol {

struct ScriptContext;

// Math error codes.
constexpr int kMathDomain = 1341;      // "FP Math: Argument to function outside domain of function"
constexpr int kMathOverflow = 1342;    // "FP Math: Result is too large to be represented"
constexpr int kMathPartialLoss = 1343; // "FP Math: Partial loss of significance occurred"
constexpr int kMathSingularity = 1344; // "FP Math: Illegal value passed to function. (Singularity)"
constexpr int kMathTotalLoss = 1345;   // "FP Math: Total loss of significance occurred"
constexpr int kMathOther = 1347;       // "FP Math: Undocumented library error passed to matherr"
constexpr int kMathNegativeRoot = 1349; // "FP Math: Square Root of a Negative Number"
constexpr int kMathLogDomain = 1350;    // "FP Math: Cannot Take Log of Zero or a Negative Number"

// The pending math error: 0 = none.
int PendingMathError();
void SetPendingMathError(int code);
void ClearPendingMathError();
// Moves a pending math error into the context's error code (when the
// context has none yet) and clears it; returns the code, 0 when none was
// pending.
int TakeMathError(ScriptContext* ctx);

// Library calls that detect domain errors, singularities, overflow and
// results that are no number themselves: on such a failure the code is made
// pending and the result is 1.0; an underflow gives 0.0 without an error.
// The logarithm of zero or a negative number is error 1350.
double GuardedPower(double base, double exponent);
double GuardedLog10(double x);
double GuardedFloor(double x);

// The numeric built-ins (Abs, Fabs, Int, Floor, Ceiling, Sin, Cos, Tan,
// Asin, Acos, Atan, Sinh, Cosh, Tanh, Exp, LogE, Log10, Sqrt, Decimals) by
// keyword id. args[1..5] hold the converted arguments. Fills result and
// returns 1, or 0 with the error code in the context. An id that is not one
// of these functions fails with the "function not defined" error.
int MathFunction(ScriptContext* ctx, int id, Value& result, Value* args);
// True when id is one of the functions MathFunction serves.
bool IsMathFunction(int id);

} // namespace jol
