// The numeric built-in functions and the pending math error.
//
// Math errors are found by looking at the arguments and results here, not
// by a hook of the floating-point library, so every platform reports the
// same codes for the same operations.
#include "lang/math_functions.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"

namespace jol {
namespace {

std::atomic<int> g_pending_math_error{0};

// Keyword ids of the functions served here.
namespace id {
constexpr int Abs = 113;
constexpr int Acos = 114;
constexpr int Asin = 118;
constexpr int Atan = 125;
constexpr int Ceiling = 160;
constexpr int Cos = 166;
constexpr int Cosh = 167;
constexpr int Decimals = 177;
constexpr int Exp = 222;
constexpr int Fabs = 223;
constexpr int Floor = 256;
constexpr int Int = 275;
constexpr int Log10 = 293;
constexpr int LogE = 295;
constexpr int Sin = 365;
constexpr int Sinh = 366;
constexpr int Sqrt = 369;
constexpr int Tan = 389;
constexpr int Tanh = 390;
} // namespace id

// Beyond 2^63 radians a double holds no fraction of a turn: the sine,
// cosine and tangent of such an argument have lost all significance.
constexpr double kTrigLimit = 9223372036854775808.0;

// Settles the result of a library routine: a result that is no number is a
// domain error, an infinite one an overflow, a result below the smallest
// normal double an underflow (0.0, no error). On an error the code is made
// pending and the result is 1.0.
double Settle(double r, Err code_if_not_a_number = Err::MathDomain) {
    if (std::isnan(r)) {
        SetPendingMathError(code_if_not_a_number);
        return 1.0;
    }
    if (std::isinf(r)) {
        SetPendingMathError(Err::MathOverflow);
        return 1.0;
    }
    if (r != 0.0 && std::fabs(r) < std::numeric_limits<double>::min()) return 0.0;
    return r;
}

double Fail(Err code) {
    SetPendingMathError(code);
    return 1.0;
}

// The float function of id applied to x; an error is left pending.
double FloatFunction(int fn, double x) {
    if (!std::isfinite(x)) return Fail(Err::MathDomain);
    switch (fn) {
    case id::Fabs:
        return std::fabs(x);
    case id::Floor:
        return GuardedFloor(x);
    case id::Ceiling:
        return std::ceil(x);
    case id::Sin:
        if (std::fabs(x) >= kTrigLimit) return Fail(Err::MathTotalLoss);
        return Settle(std::sin(x));
    case id::Cos:
        if (std::fabs(x) >= kTrigLimit) return Fail(Err::MathTotalLoss);
        return Settle(std::cos(x));
    case id::Tan:
        if (std::fabs(x) >= kTrigLimit) return Fail(Err::MathTotalLoss);
        return Settle(std::tan(x));
    case id::Asin:
        if (x < -1.0 || x > 1.0) return Fail(Err::MathDomain);
        return Settle(std::asin(x));
    case id::Acos:
        if (x < -1.0 || x > 1.0) return Fail(Err::MathDomain);
        return Settle(std::acos(x));
    case id::Atan:
        return Settle(std::atan(x));
    case id::Sinh:
        return Settle(std::sinh(x));
    case id::Cosh:
        return Settle(std::cosh(x));
    case id::Tanh:
        return Settle(std::tanh(x));
    case id::Exp:
        return Settle(std::exp(x));
    case id::LogE:
        if (!(x > 0.0)) return Fail(Err::MathLogDomain);
        return Settle(std::log(x));
    case id::Log10:
        return GuardedLog10(x);
    case id::Sqrt:
        if (x < 0.0) return Fail(Err::MathNegativeRoot);
        return Settle(std::sqrt(x));
    default:
        return Fail(Err::MathOther);
    }
}

bool IsFloatFunction(int fn) {
    switch (fn) {
    case id::Fabs:
    case id::Floor:
    case id::Ceiling:
    case id::Sin:
    case id::Cos:
    case id::Tan:
    case id::Asin:
    case id::Acos:
    case id::Atan:
    case id::Sinh:
    case id::Cosh:
    case id::Tanh:
    case id::Exp:
    case id::LogE:
    case id::Log10:
    case id::Sqrt:
        return true;
    default:
        return false;
    }
}

} // namespace

Err PendingMathError() {
    return static_cast<Err>(g_pending_math_error.load(std::memory_order_relaxed));
}

void SetPendingMathError(Err code) {
    g_pending_math_error.store(ErrNumber(code), std::memory_order_relaxed);
}

void ClearPendingMathError() {
    g_pending_math_error.store(0, std::memory_order_relaxed);
}

Err TakeMathError(ScriptContext* ctx) {
    // Taken after every function call: a plain read while none is pending.
    if (g_pending_math_error.load(std::memory_order_relaxed) == 0) return Err::None;
    const auto code = static_cast<Err>(g_pending_math_error.exchange(0, std::memory_order_relaxed));
    if (code != Err::None && ctx) Raise(ctx, code);
    return code;
}

double GuardedPower(double base, double exponent) {
    if (!std::isfinite(base) || !std::isfinite(exponent)) return Fail(Err::MathDomain);
    if (base == 0.0 && exponent < 0.0) return Fail(Err::MathSingularity);
    if (base < 0.0 && std::trunc(exponent) != exponent) return Fail(Err::MathDomain);
    return Settle(std::pow(base, exponent));
}

double GuardedLog10(double x) {
    if (!std::isfinite(x)) return Fail(Err::MathDomain);
    if (!(x > 0.0)) return Fail(Err::MathLogDomain);
    return Settle(std::log10(x));
}

double GuardedFloor(double x) {
    if (!std::isfinite(x)) return Fail(Err::MathDomain);
    return std::floor(x);
}

bool IsMathFunction(int fn) {
    return IsFloatFunction(fn) || fn == id::Abs || fn == id::Int || fn == id::Decimals;
}

int FnMath(ScriptContext* ctx, int id, Value& result, Value* args) {
    if (!IsMathFunction(id)) return Raise(ctx, Err::FunctionNotDefined);
    Value& arg = args[1];
    if (IsFloatFunction(id)) {
        if (!ToFloat(ctx, arg)) return Raise(ctx, Err::NoFloat);
        ClearPendingMathError();
        double r = FloatFunction(id, arg.f);
        if (TakeMathError(ctx) != Err::None) return 0;
        ReleaseValue(ctx, result);
        result.f = r;
        result.flags = vf::Float;
        result.var = -1;
        return 1;
    }
    // A text such as "2.5" becomes an integer by way of its float view.
    if (!ToInteger(ctx, arg, true) &&
        (ctx->error_code || !ToFloat(ctx, arg) || !ToInteger(ctx, arg, true))) {
        return Raise(ctx, Err::NoNumber);
    }
    std::int32_t n = arg.i;
    std::int32_t r = 0;
    switch (id) {
    case id::Abs:
        // The magnitude wraps: the most negative integer stays as it is.
        r = static_cast<std::int32_t>(n < 0 ? 0u - static_cast<std::uint32_t>(n)
                                            : static_cast<std::uint32_t>(n));
        break;
    case id::Int:
        r = n;
        break;
    case id::Decimals:
        ctx->decimals = n < 0 ? -1 : (n > 8 ? 8 : n);
        r = 0;
        break;
    default:
        break;
    }
    ReleaseValue(ctx, result);
    result.i = r;
    result.flags = vf::Integer;
    result.var = -1;
    return 1;
}

namespace {

// Not marked for expression programs: they are left to the evaluator.
constexpr ModuleFunction kFunctions[] = {
    {"abs", FnMath, trait::Pure},      {"fabs", FnMath, trait::Pure},
    {"int", FnMath, trait::Pure},      {"floor", FnMath, trait::Pure},
    {"ceiling", FnMath, trait::Pure},  {"sin", FnMath, trait::Pure},
    {"cos", FnMath, trait::Pure},      {"tan", FnMath, trait::Pure},
    {"asin", FnMath, trait::Pure},     {"acos", FnMath, trait::Pure},
    {"atan", FnMath, trait::Pure},     {"sinh", FnMath, trait::Pure},
    {"cosh", FnMath, trait::Pure},     {"tanh", FnMath, trait::Pure},
    {"exp", FnMath, trait::Pure},      {"loge", FnMath, trait::Pure},
    {"log10", FnMath, trait::Pure},    {"sqrt", FnMath, trait::Pure},
    {"decimals", FnMath, trait::Pure},
};

} // namespace

const Module kMathModule = MakeModule("math", kFunctions);

} // namespace jol
