// The numeric built-in functions and the pending math error.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"
#include "tests/unit/test_errors.h"

namespace jol {
namespace {

class Math : public ::testing::Test {
protected:
    void SetUp() override {
        heap.resize(2000);
        ctx = std::make_unique<ScriptContext>();
        ctx->decimals = -1;
        ctx->heap.size = FormatStringHeap(heap.data(), heap.size(), 2000);
        ctx->heap.base = heap.data();
        free_at_start = HeapFreeTotal(heap.data());
        ClearPendingMathError();
    }
    void TearDown() override {
        EXPECT_EQ(HeapFreeTotal(heap.data()), free_at_start);
        EXPECT_EQ(PendingMathError(), 0);
    }

    static int Id(const char* name) {
        const KeywordEntry* row = FindBuiltinKeyword(name);
        EXPECT_NE(row, nullptr) << name;
        return row ? row->id : -1;
    }

    // Calls a function with one argument as the dispatcher leaves it.
    int Call(const char* name, const Value& arg, Value& result) {
        ctx->error_code = 0;
        Value args[6];
        args[1] = arg;
        result = Value{};
        result.flags = vf::Integer;
        result.i = 0;
        int ok = FnMath(ctx.get(), Id(name), result, args);
        ReleaseValue(ctx.get(), args[1]);
        return ok;
    }
    double F(const char* name, double x) {
        Value a;
        a.f = x;
        a.flags = vf::Float;
        Value r;
        EXPECT_EQ(Call(name, a, r), 1) << name << "(" << x << "): " << ctx->error_code;
        EXPECT_EQ(r.flags, vf::Float) << name;
        return r.f;
    }
    // The error a float function fails with; the result stays untouched.
    int FError(const char* name, double x) {
        Value a;
        a.f = x;
        a.flags = vf::Float;
        Value r;
        int ok = Call(name, a, r);
        EXPECT_EQ(ok, 0) << name << "(" << x << ")";
        EXPECT_EQ(r.flags, vf::Integer);
        EXPECT_EQ(r.i, 0);
        int code = ctx->error_code;
        ctx->error_code = 0;
        return code;
    }
    std::int32_t I(const char* name, std::int32_t n) {
        Value a;
        a.i = n;
        a.flags = vf::Integer;
        Value r;
        EXPECT_EQ(Call(name, a, r), 1) << name;
        EXPECT_EQ(r.flags, vf::Integer) << name;
        return r.i;
    }

    std::vector<char> heap;
    std::unique_ptr<ScriptContext> ctx;
    std::uint32_t free_at_start = 0;
};

TEST_F(Math, IntegerFunctions) {
    EXPECT_EQ(I("abs", -5), 5);
    EXPECT_EQ(I("abs", 5), 5);
    EXPECT_EQ(I("abs", -2147483647 - 1), -2147483647 - 1);
    EXPECT_EQ(I("int", 42), 42);

    EXPECT_EQ(I("decimals", 3), 0);
    EXPECT_EQ(ctx->decimals, 3);
    I("decimals", 20);
    EXPECT_EQ(ctx->decimals, 8);
    I("decimals", -5);
    EXPECT_EQ(ctx->decimals, -1);
    I("decimals", 0);
    EXPECT_EQ(ctx->decimals, 0);

    // Int of a float or a text rounds half away from zero, and a text
    // argument leaves no block behind (the fixture checks the heap).
    Value a;
    a.f = -2.5;
    a.flags = vf::Float;
    Value r;
    ASSERT_EQ(Call("int", a, r), 1);
    EXPECT_EQ(r.i, -3);
    for (int n = 0; n < 200; ++n) {
        Value t;
        t.flags = vf::String;
        t.str = HeapCopyText(ctx.get(), "2.5");
        ASSERT_NE(t.str, 0);
        ASSERT_EQ(Call("int", t, r), 1);
        EXPECT_EQ(r.i, 3);
        EXPECT_EQ(r.flags, vf::Integer);
        EXPECT_EQ(r.str, 0);
    }
    Value bad;
    bad.flags = vf::String;
    bad.str = HeapCopyText(ctx.get(), "two");
    EXPECT_EQ(Call("int", bad, r), 0);
    EXPECT_EQ(ctx->error_code, Err::NoNumber);
    Value huge;
    huge.f = 3e9;
    huge.flags = vf::Float;
    EXPECT_EQ(Call("abs", huge, r), 0);
    EXPECT_EQ(ctx->error_code, Err::NoNumber);
    ctx->error_code = 0;
}

TEST_F(Math, FloatFunctions) {
    const double pi = 3.141592653589793;
    EXPECT_EQ(F("fabs", -2.5), 2.5);
    EXPECT_EQ(F("floor", -2.5), -3.0);
    EXPECT_EQ(F("floor", 2.5), 2.0);
    EXPECT_EQ(F("ceiling", -2.5), -2.0);
    EXPECT_EQ(F("ceiling", 2.1), 3.0);
    EXPECT_NEAR(F("sin", pi / 2), 1.0, 1e-15);
    EXPECT_NEAR(F("cos", pi), -1.0, 1e-15);
    EXPECT_NEAR(F("tan", pi / 4), 1.0, 1e-15);
    EXPECT_NEAR(F("asin", 1.0), pi / 2, 1e-15);
    EXPECT_NEAR(F("acos", -1.0), pi, 1e-15);
    EXPECT_NEAR(F("atan", 1.0), pi / 4, 1e-15);
    EXPECT_NEAR(F("sinh", 1.0), 1.1752011936438014, 1e-15);
    EXPECT_NEAR(F("cosh", 1.0), 1.5430806348152437, 1e-15);
    EXPECT_NEAR(F("tanh", 1.0), 0.7615941559557649, 1e-15);
    EXPECT_NEAR(F("exp", 1.0), 2.718281828459045, 1e-15);
    EXPECT_NEAR(F("loge", 2.718281828459045), 1.0, 1e-15);
    EXPECT_NEAR(F("log10", 1000.0), 3.0, 1e-15);
    EXPECT_EQ(F("sqrt", 16.0), 4.0);
    EXPECT_EQ(F("sqrt", 0.0), 0.0);
    // An underflow is zero, not an error.
    EXPECT_EQ(F("exp", -1000.0), 0.0);
    EXPECT_EQ(F("sinh", 1e-310), 0.0);

    // An integer argument reaches a float function as its float view.
    Value n;
    n.i = 9;
    n.flags = vf::Integer;
    Value r;
    ASSERT_EQ(Call("sqrt", n, r), 1);
    EXPECT_EQ(r.f, 3.0);
    Value t;
    t.flags = vf::String;
    t.str = HeapCopyText(ctx.get(), "x");
    EXPECT_EQ(Call("sqrt", t, r), 0);
    EXPECT_EQ(ctx->error_code, Err::NoFloat);
    ctx->error_code = 0;
}

TEST_F(Math, MathErrors) {
    EXPECT_EQ(FError("sqrt", -1.0), Err::MathNegativeRoot);
    EXPECT_EQ(FError("loge", 0.0), Err::MathLogDomain);
    EXPECT_EQ(FError("loge", -1.0), Err::MathLogDomain);
    EXPECT_EQ(FError("log10", 0.0), Err::MathLogDomain);
    EXPECT_EQ(FError("log10", -0.0), Err::MathLogDomain);
    EXPECT_EQ(FError("log10", -100.0), Err::MathLogDomain);
    EXPECT_EQ(FError("asin", 1.5), Err::MathDomain);
    EXPECT_EQ(FError("acos", -1.0000001), Err::MathDomain);
    EXPECT_EQ(FError("exp", 1000.0), Err::MathOverflow);
    EXPECT_EQ(FError("sinh", -1000.0), Err::MathOverflow);
    EXPECT_EQ(FError("cosh", 1000.0), Err::MathOverflow);
    EXPECT_EQ(FError("sin", 1e19), Err::MathTotalLoss);
    EXPECT_EQ(FError("tan", -1e300), Err::MathTotalLoss);
    EXPECT_EQ(FError("sqrt", std::nan("")), Err::MathDomain);
    EXPECT_EQ(FError("floor", HUGE_VAL), Err::MathDomain);

    // An error already in the context is kept.
    Raise(ctx.get(), Err::NoNumber);
    SetPendingMathError(Err::MathOverflow);
    EXPECT_EQ(TakeMathError(ctx.get()), Err::MathOverflow);
    EXPECT_EQ(ctx->error_code, Err::NoNumber);
    EXPECT_EQ(TakeMathError(ctx.get()), 0);
    ctx->error_code = 0;

    // The guarded library calls: 1.0 and a pending code on an error.
    struct Power {
        double base, exponent, result;
        Err code;
    };
    const Power powers[] = {
        {2.0, 10.0, 1024.0, Err::None},
        {-2.0, 3.0, -8.0, Err::None},
        {0.0, 0.0, 1.0, Err::None},
        {4.0, 0.5, 2.0, Err::None},
        {0.0, -1.0, 1.0, Err::MathSingularity},
        {-8.0, 1.0 / 3.0, 1.0, Err::MathDomain},
        {10.0, 400.0, 1.0, Err::MathOverflow},
        {-10.0, 401.0, 1.0, Err::MathOverflow},
        {10.0, -400.0, 0.0, Err::None},
    };
    for (const Power& p : powers) {
        SCOPED_TRACE(testing::Message() << p.base << " ** " << p.exponent);
        EXPECT_EQ(GuardedPower(p.base, p.exponent), p.result);
        EXPECT_EQ(TakeMathError(ctx.get()), p.code);
        ctx->error_code = 0;
    }
    EXPECT_EQ(GuardedLog10(100.0), 2.0);
    EXPECT_EQ(PendingMathError(), 0);
    EXPECT_EQ(GuardedLog10(0.0), 1.0);
    EXPECT_EQ(TakeMathError(ctx.get()), Err::MathLogDomain);
    EXPECT_EQ(GuardedFloor(-0.5), -1.0);
    EXPECT_EQ(GuardedFloor(std::nan("")), 1.0);
    EXPECT_EQ(TakeMathError(ctx.get()), Err::MathDomain);
    ctx->error_code = 0;
}

TEST_F(Math, Routing) {
    for (const char* name :
         {"abs", "fabs", "int", "floor", "ceiling", "sin", "cos", "tan", "asin", "acos", "atan",
          "sinh", "cosh", "tanh", "exp", "loge", "log10", "sqrt", "decimals"})
        EXPECT_TRUE(IsMathFunction(Id(name))) << name;
    for (const char* name : {"max", "min", "average", "random", "strcat", "@pi"})
        EXPECT_FALSE(IsMathFunction(Id(name))) << name;
    Value args[6];
    Value r;
    r.flags = vf::Integer;
    EXPECT_EQ(FnMath(ctx.get(), Id("strcat"), r, args), 0);
    EXPECT_EQ(ctx->error_code, Err::FunctionNotDefined);
    ctx->error_code = 0;
}

} // namespace
} // namespace jol
