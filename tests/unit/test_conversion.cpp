// Values and their conversions, the text forms of numbers and the constants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"
#include "tests/unit/test_errors.h"

namespace jol {
namespace {

class Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        heap.resize(4000);
        ctx = std::make_unique<ScriptContext>();
        ctx->decimals = -1;
        ctx->heap.size = FormatStringHeap(heap.data(), heap.size(), 4000);
        ctx->heap.base = heap.data();
        free_at_start = HeapFreeTotal(heap.data());
        ClearPendingMathError();
    }
    void TearDown() override {
        // Every test releases what it made: nothing may leak.
        EXPECT_EQ(HeapFreeTotal(heap.data()), free_at_start);
    }

    Value Text(const char* s) {
        Value v;
        v.i = kFillerInteger;
        v.f = kFillerFloat;
        v.flags = vf::String;
        v.str = HeapCopyText(ctx.get(), s);
        EXPECT_NE(v.str, 0);
        return v;
    }
    std::string Str(const Value& v) { return HeapText(ctx.get(), v.str); }

    // The text form of f with the given Decimals setting.
    std::string Format(double f, int decimals = -1) {
        ctx->decimals = decimals;
        ctx->error_code = 0;
        char text[kFloatTextSize];
        std::memset(text, 'x', sizeof text);
        int ok = FormatFloat(ctx.get(), f, text);
        ctx->decimals = -1;
        if (!ok) return std::string("error ") + ErrName(PendingError(ctx.get()));
        EXPECT_LT(std::strlen(text), kFloatTextSize);
        return text;
    }
    // 1 and the float, or 0.
    int Parse(const char* s, double& f) {
        ctx->error_code = 0;
        Value v;
        v.f = -1.0;
        int ok = ParseFloatText(ctx.get(), s, v);
        f = v.f;
        return ok;
    }

    std::vector<char> heap;
    std::unique_ptr<ScriptContext> ctx;
    std::uint32_t free_at_start = 0;
};

TEST_F(Conversion, IntegerTexts) {
    EXPECT_EQ(ParseIntegerText("  42abc"), 42);
    EXPECT_EQ(ParseIntegerText("-17"), -17);
    EXPECT_EQ(ParseIntegerText("+8"), 8);
    EXPECT_EQ(ParseIntegerText("+-5"), 0);
    EXPECT_EQ(ParseIntegerText("\t5"), 0); // tabs are not skipped
    EXPECT_EQ(ParseIntegerText(""), 0);
    EXPECT_EQ(ParseIntegerText("99999999999"), static_cast<std::int32_t>(1215752191));
    EXPECT_EQ(ParseIntegerText("2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseIntegerText("-2147483648"), std::numeric_limits<std::int32_t>::min());

    EXPECT_EQ(IsIntegerText(" \t-12 \t"), 1);
    EXPECT_EQ(IsIntegerText("7"), 1);
    EXPECT_EQ(IsIntegerText("+-5"), 0);
    EXPECT_EQ(IsIntegerText("1 2"), 0);
    EXPECT_EQ(IsIntegerText("1.0"), 0);
    EXPECT_EQ(IsIntegerText(" - "), 0);
    EXPECT_EQ(IsIntegerText(""), 0);

    EXPECT_EQ(ParseRadixText("ff", 16), 255);
    EXPECT_EQ(ParseRadixText("Zz", 36), 35 * 36 + 35);
    EXPECT_EQ(ParseRadixText("101", 2), 5);
    EXPECT_EQ(ParseRadixText("102", 2), -2);
    EXPECT_EQ(ParseRadixText("-1", 10), -2);
    EXPECT_EQ(ParseRadixText("", 10), 0);
    EXPECT_EQ(ParseRadixText("1", 1), -1);
    EXPECT_EQ(ParseRadixText("1", 37), -1);
    EXPECT_EQ(ParseRadixText("100000000", 16), 0); // wraps

    EXPECT_EQ(IntegerPower(3, 4), 81);
    EXPECT_EQ(IntegerPower(7, 0), 1);
    EXPECT_EQ(IntegerPower(7, -3), 1);
    EXPECT_EQ(IntegerPower(-2, 31), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(IntegerPower(2, 32), 0);
    EXPECT_EQ(IntegerPower(3, 2147483647), -1431655765); // 3^(2^31-1) mod 2^32, at once

    char text[kIntegerTextSize];
    EXPECT_STREQ(FormatInteger(0, text, 10), "0");
    EXPECT_STREQ(FormatInteger(-305, text, 10), "-305");
    EXPECT_STREQ(FormatInteger(std::numeric_limits<std::int32_t>::min(), text, 10), "-2147483648");
    EXPECT_STREQ(FormatInteger(2147483647, text, 10), "2147483647");
    EXPECT_STREQ(FormatInteger(255, text, 16), "FF");
    EXPECT_STREQ(FormatInteger(-255, text, 16), "-FF");
    EXPECT_STREQ(FormatInteger(std::numeric_limits<std::int32_t>::min(), text, 2),
                 "-10000000000000000000000000000000");
    EXPECT_STREQ(FormatInteger(35, text, 36), "Z");
    EXPECT_STREQ(FormatInteger(12, text, 99), "12");
}

TEST_F(Conversion, TextToInteger) {
    struct Case {
        const char* text;
        int ok;
        std::int32_t value;
    };
    const Case cases[] = {
        {" 42", 1, 42}, {"42 ", 0, 0}, {"4 2", 0, 0},
        {"-7", 1, -7},  {"+-5", 1, 0}, {"99999999999", 1, 1215752191},
        {"\t5", 0, 0},  {"2.5", 0, 0}, {"", 0, 0},
        {"  ", 0, 0},   {"- 5", 0, 0}, {"0x10", 0, 0},
        {"007", 1, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Value v = Text(c.text);
        std::uint16_t handle = v.str;
        EXPECT_EQ(ToInteger(ctx.get(), v, true), c.ok);
        EXPECT_EQ(ctx->error_code, 0);
        if (c.ok) {
            EXPECT_EQ(v.i, c.value);
            EXPECT_EQ(v.flags, vf::Integer | vf::String);
        } else {
            EXPECT_EQ(v.flags, vf::String);
            EXPECT_EQ(v.i, kFillerInteger);
        }
        EXPECT_EQ(v.str, handle); // the text stays with the value
        ReleaseValue(ctx.get(), v);
    }
    Value none;
    none.flags = 0;
    EXPECT_EQ(ToInteger(ctx.get(), none, true), 0);
    Value unset;
    unset.flags = vf::Unset;
    EXPECT_EQ(ToInteger(ctx.get(), unset, true), 0);
}

TEST_F(Conversion, FloatToInteger) {
    struct Case {
        double f;
        int ok;
        std::int32_t value;
    };
    const Case cases[] = {
        {2.5, 1, 3},
        {-2.5, 1, -3},
        {2.4999, 1, 2},
        {-0.4, 1, 0},
        {2147483645.4, 1, 2147483645},
        {2147483645.6, 0, 0},
        {-2147483645.0, 1, -2147483645},
        {-2147483645.5, 0, 0},
        {2147483647.0, 0, 0},
        {1e300, 0, 0},
        {-1e300, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.f);
        Value v;
        v.f = c.f;
        v.i = 99;
        v.flags = vf::Float;
        EXPECT_EQ(ToInteger(ctx.get(), v, true), c.ok);
        EXPECT_EQ(ctx->error_code, 0);
        if (c.ok) {
            EXPECT_EQ(v.i, c.value);
            EXPECT_EQ(v.flags, vf::Integer);
        } else {
            EXPECT_EQ(v.flags, vf::Float);
            EXPECT_EQ(v.i, 99);
            EXPECT_EQ(v.f, c.f);
        }
    }
    Value v;
    v.f = 1.0;
    v.flags = vf::Float;
    EXPECT_EQ(ToInteger(ctx.get(), v, false), 0);
    EXPECT_EQ(v.flags, vf::Float);

    // A float with its text: giving up the float view frees the text once.
    Value both;
    both.f = 2.5;
    both.flags = vf::Float;
    ASSERT_EQ(ToString(ctx.get(), both), 1);
    EXPECT_EQ(both.flags, vf::Float | vf::String);
    EXPECT_LT(HeapFreeTotal(heap.data()), free_at_start);
    ASSERT_EQ(ToInteger(ctx.get(), both, true), 1);
    EXPECT_EQ(both.flags, vf::Integer);
    EXPECT_EQ(both.str, 0);
    EXPECT_EQ(both.i, 3);
    EXPECT_EQ(HeapFreeTotal(heap.data()), free_at_start);
    ReleaseValue(ctx.get(), both); // nothing left to free

    // Values that are no number never become integers.
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        Value n;
        n.f = bad;
        n.flags = vf::Float;
        ctx->error_code = 0;
        EXPECT_EQ(ToInteger(ctx.get(), n, true), 0);
        EXPECT_EQ(ctx->error_code, std::isnan(bad) ? Err::MathDomain : Err::MathOverflow);
        EXPECT_EQ(n.flags, vf::Float);
    }

    // A pending math error fails the conversion with its code.
    ctx->error_code = 0;
    SetPendingMathError(Err::MathOverflow);
    Value p;
    p.f = 4.0;
    p.flags = vf::Float;
    EXPECT_EQ(ToInteger(ctx.get(), p, true), 0);
    EXPECT_EQ(ctx->error_code, Err::MathOverflow);
    EXPECT_EQ(PendingMathError(), 0);
    ctx->error_code = 0;
}

TEST_F(Conversion, ToFloatAndToString) {
    Value v = Text(" 42");
    ASSERT_EQ(ToFloat(ctx.get(), v), 1);
    EXPECT_EQ(v.f, 42.0);
    EXPECT_EQ(v.flags, vf::String | vf::Float);
    ReleaseValue(ctx.get(), v);
    EXPECT_EQ(v.flags, vf::Float);

    // A failed text conversion leaves no error of its own, also after an
    // overflowing number, and keeps an error that was there before.
    for (const char* bad : {"42 ", "4 2", ".5", "abc", "1e999", ""}) {
        SCOPED_TRACE(bad);
        Value t = Text(bad);
        ctx->error_code = 0;
        EXPECT_EQ(ToFloat(ctx.get(), t), 0);
        EXPECT_EQ(ctx->error_code, 0);
        EXPECT_EQ(t.flags, vf::String);
        EXPECT_EQ(PendingMathError(), 0);
        ctx->error_code = 1234;
        EXPECT_EQ(ToFloat(ctx.get(), t), 0);
        EXPECT_EQ(ctx->error_code, 1234);
        ctx->error_code = 0;
        ReleaseValue(ctx.get(), t);
    }

    Value i;
    i.i = -2147483647 - 1;
    i.flags = vf::Integer;
    ASSERT_EQ(ToFloat(ctx.get(), i), 1);
    EXPECT_EQ(i.f, -2147483648.0);
    EXPECT_EQ(i.flags, vf::Integer | vf::Float);

    Value n;
    n.i = -305;
    n.flags = vf::Integer;
    ASSERT_EQ(ToString(ctx.get(), n), 1);
    EXPECT_EQ(n.flags, vf::Integer | vf::String);
    EXPECT_EQ(Str(n), "-305");
    EXPECT_EQ(ToString(ctx.get(), n), 1); // already a string: no new block
    ReleaseValue(ctx.get(), n);
    ReleaseValue(ctx.get(), n);
    EXPECT_EQ(n.flags, vf::Integer);

    Value f;
    f.f = 12.5;
    f.flags = vf::Float;
    ASSERT_EQ(ToString(ctx.get(), f), 1);
    EXPECT_EQ(f.flags, vf::Float | vf::String);
    EXPECT_EQ(Str(f), "12.5");
    ReleaseValue(ctx.get(), f);

    Value nan;
    nan.f = std::numeric_limits<double>::quiet_NaN();
    nan.flags = vf::Float;
    EXPECT_EQ(ToString(ctx.get(), nan), 0);
    EXPECT_EQ(ctx->error_code, Err::MathDomain);
    EXPECT_EQ(nan.flags, vf::Float);
    EXPECT_EQ(nan.str, 0);
    ctx->error_code = 0;

    Value empty;
    empty.flags = 0;
    EXPECT_EQ(ToString(ctx.get(), empty), 0);
    EXPECT_EQ(ToFloat(ctx.get(), empty), 0);

    // A full heap: Err::StringMemory, the value unchanged.
    std::vector<std::uint16_t> blocks;
    for (std::uint16_t h; (h = VMalloc(heap.data(), 8)) != 0;)
        blocks.push_back(h);
    Value full;
    full.i = 7;
    full.flags = vf::Integer;
    EXPECT_EQ(ToString(ctx.get(), full), 0);
    EXPECT_EQ(ctx->error_code, Err::StringMemory);
    EXPECT_EQ(full.flags, vf::Integer);
    EXPECT_EQ(full.str, 0);
    ctx->error_code = 0;
    for (std::uint16_t h : blocks)
        VFree(ctx.get(), heap.data(), h);
}

TEST_F(Conversion, ReadingFloats) {
    struct Case {
        const char* text;
        int ok;
        double value;
    };
    const Case cases[] = {
        {"1e3", 1, 1000.0},
        {"1.5e", 1, 1.5},
        {"1.5E+2", 1, 150.0},
        {"-1.5e-3", 1, -0.0015},
        {" \t7", 1, 7.0},
        {"+0.25", 1, 0.25},
        {"0.1", 1, 0.1},
        {"0.3", 1, 0.3},
        {"0", 1, 0.0},
        {"000.000", 1, 0.0},
        {"12.", 1, 12.0},
        {"0.000123456789123", 1, 0.000123456789},
        {"1.23456789012", 1, 1.23456789},
        {"123456789012345678901234567890", 1, 1.23456789e29},
        {"1234567890123", 1, 1234567890000.0},
        {"1e308", 1, 1e308},
        {"1e-99999999999999999999", 1, 0.0},
        {"1e-400", 1, 0.0},
        {".5", 0, 0},
        {"7 ", 0, 0},
        {"1..2", 0, 0},
        {"1.2.3", 0, 0},
        {"1e2.5", 0, 0},
        {"1e2e3", 0, 0},
        {"--5", 0, 0},
        {"+", 0, 0},
        {"5-", 0, 0},
        {"1e+-2", 0, 0},
        {"e5", 0, 0},
        {"", 0, 0},
        {"   ", 0, 0},
        {"1,5", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        double f = 0;
        EXPECT_EQ(Parse(c.text, f), c.ok);
        EXPECT_EQ(ctx->error_code, 0);
        if (c.ok)
            EXPECT_EQ(f, c.value);
        else
            EXPECT_EQ(f, -1.0); // untouched
    }
    // The nearest double, the same on every platform, across the range
    // (below the smallest normal double a number reads as zero).
    const struct {
        const char* text;
        double value;
    } exact[] = {
        {"1.23456789e-300", 0x1.a74fe1c132c0ep-997},
        {"8.98846567e307", 0x1.fffffffbe12cap+1022},
        {"1.79769313e308", 0x1.ffffffe8c42f7p+1023},
        {"2.22507386e-308", 0x1.00000002e1a92p-1022},
        {"4.94065646e-300", 0x1.a784379fe255dp-995},
        {"9.99999999e22", 0x1.52d02c78657e6p+76},
        {"9.99999999e-23", 0x1.e39200f959032p-74},
        {"1.00000001e23", 0x1.52d02cb6ec99bp+76},
        {"7.00000001e-5", 0x1.2599ed83792dcp-14},
        {"3.33333333e100", 0x1.e7acb3e1fb267p+333},
        {"1.17549435e-38", 0x1.fffffff9fdba8p-127},
        {"3.40282347e38", 0x1.fffffe091ff3dp+127},
        {"5e-324", 0.0},
        {"123456789e-320", 0.0},
        {"4.47712782e-166", 0x1.a669ad8778058p-550},
        {"5.23938499e-271", 0x1.1b6fd8693dac0p-898},
        {"1.77777868e228", 0x1.2c2defe564427p+758},
        {"2.01071364e54", 0x1.4fe2a19fdba11p+180},
        {"7.25763863e-261", 0x1.c9119b5a6039fp-865},
        {"6.44854973e-101", 0x1.20dcb30c2c367p-333},
        {"1.40260662e-232", 0x1.bdf77eb4a677bp-771},
        {"5.65623510e108", 0x1.344685e12480dp+361},
        {"1.75006691e-74", 0x1.fa9c19336d2fep-246},
        {"1.97402358e244", 0x1.720dfade18175p+811},
    };
    for (const auto& c : exact) {
        SCOPED_TRACE(c.text);
        double f = 0;
        ASSERT_EQ(Parse(c.text, f), 1);
        EXPECT_EQ(f, c.value);
    }
    // Overflow is a math error, also with an exponent far beyond any
    // accumulator.
    for (const char* big : {"1e309", "9.9e99999999999999999999999", "-5e400"}) {
        SCOPED_TRACE(big);
        double f = 0;
        EXPECT_EQ(Parse(big, f), 0);
        EXPECT_EQ(ctx->error_code, Err::MathOverflow);
        EXPECT_EQ(PendingMathError(), 0);
    }
    ctx->error_code = 0;
}

TEST_F(Conversion, WritingFloats) {
    struct Case {
        double f;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {0.1 + 0.2, -1, "0.3"},
        {2.0, -1, "2."},
        {5.0, -1, "5."},
        {100.0, -1, "100."},
        {12.5, -1, "12.5"},
        {0.05, -1, "0.05"},
        {0.5, -1, "0.5"},
        {1.0 / 3.0, -1, "0.333333333"},
        {2.0 / 3.0, -1, "0.666666666"}, // digits are cut, not rounded
        {1234567890.0, -1, "1.23456789E9"},
        {999999999.0, -1, "999999999."},
        {1e9, -1, "1.0E9"},
        {1.5e10, -1, "1.5E10"},
        {0.00002, -1, "2.0E-5"},
        {-0.00001, -1, "-1.0E-5"},
        {0.0001, -1, "0.0001"},
        {0.000123456789, -1, "0.000123456789"},
        {-7.25, -1, "-7.25"},
        {0.0, -1, "0.0"},
        {-0.0, -1, "0.0"},
        {0.0, 2, "0.0"},
        {1e100, -1, "1.0E100"},
        {1e-300, -1, "1.0E-300"},
        {std::numeric_limits<double>::max(), -1, "1.79769313E308"},
        {std::numeric_limits<double>::denorm_min(), -1, "4.94065645E-324"},
        {3.141592653589793, -1, "3.14159265"},
        {2.0, 2, "2.00"},
        {3.14159, 2, "3.14"},
        {2.5, 0, "3"},
        {12.5, 0, "13"},
        {0.999, 2, "1.00"},
        {0.001, 2, "0.00"},
        {-2.5, 0, "-3"},
        {3.141592653589793, 8, "3.14159265"},
        {3.141592653589793, 20, "3.14159265"}, // more than 8 is 8
        {-123456789.0, 8, "-123456789.00000000"},
        {1.5e10, 2, "1.5E10"},
        {0.00002, 3, "0.000"},
        {7.0, 1, "7.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.f) + " decimals " + std::to_string(c.decimals));
        EXPECT_EQ(Format(c.f, c.decimals), c.text);
    }
    // Every power of ten keeps its nine digits.
    for (int e = -30; e <= 30; ++e) {
        SCOPED_TRACE(e);
        double f = std::pow(10.0, e);
        std::string s = Format(f);
        if (e >= 9 || e < -4) {
            EXPECT_EQ(s, "1.0E" + std::to_string(e));
        } else if (e >= 0) {
            EXPECT_EQ(s, "1" + std::string(static_cast<std::size_t>(e), '0') + ".");
        } else {
            EXPECT_EQ(s, "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + "1");
        }
    }
    // No number: an error, never a text.
    EXPECT_EQ(Format(std::numeric_limits<double>::quiet_NaN()), "error MathDomain");
    EXPECT_EQ(Format(-std::numeric_limits<double>::infinity()), "error MathOverflow");
}

// A number read from nine significant digits is written with those digits.
TEST_F(Conversion, NineDigitsRoundTrip) {
    std::uint32_t seed = 12345;
    for (int n = 0; n < 4000; ++n) {
        seed = seed * 1664525u + 1013904223u;
        std::uint32_t m = 100000000u + seed % 900000000u;
        seed = seed * 1664525u + 1013904223u;
        int e = static_cast<int>(seed % 600) - 300;
        char text[40];
        std::snprintf(text, sizeof text, "%u.%08ue%d", m / 100000000u, m % 100000000u, e);
        double f = 0;
        ASSERT_EQ(Parse(text, f), 1) << text;
        std::string s = Format(f);
        // The nine digits of m, with trailing zeros dropped, must reappear.
        char digits[10];
        std::snprintf(digits, sizeof digits, "%u", m);
        std::string want(digits);
        while (want.size() > 2 && want.back() == '0')
            want.pop_back();
        std::string got;
        for (char c : s.substr(0, s.find('E'))) {
            if (c >= '0' && c <= '9') got += c;
        }
        std::size_t first = got.find_first_not_of('0');
        got = first == std::string::npos ? "" : got.substr(first);
        while (got.size() > want.size() && got.back() == '0')
            got.pop_back();
        ASSERT_EQ(got, want) << text << " -> " << s;
    }
}

TEST_F(Conversion, Constants) {
    struct Named {
        const char* name;
        double value;
    };
    const Named floats[] = {
        {"@pi", 3.141592653589793},
        {"@e", 2.718281828459045},
        {"@deg2rad", 0.017453292519943},
        {"@rad2deg", 57.29577951308232},
        {"@planckjoules", 6.6256e-34},
        {"@planckergs", 6.6252e-27},
        {"@gftsec", 32.174},
        {"@gmtsec", 9.80665},
        {"@amc", 1.66043e-27},
        {"@avogadro", 6.02252e+23},
        {"@boltzmann", 1.38054e-23},
        {"@electric", 8.8541853e-12},
        {"@eulers", 0.5772156649015339},
        {"@faraday", 96487.0},
        {"@goldenratio", 1.618033988749895},
        {"@gravitation", 6.67e-11},
        {"@lightmtps", 299792500.0},
        {"@magfield", 1.256637},
        {"@parsec", 206.265},
        {"@lightmps", 186272.0},
    };
    for (const Named& c : floats) {
        SCOPED_TRACE(c.name);
        const KeywordEntry* row = FindBuiltinKeyword(c.name);
        ASSERT_NE(row, nullptr);
        Value v;
        v.var = 5;
        ASSERT_EQ(ConstantValue(ctx.get(), *row, v), 1);
        EXPECT_EQ(v.flags, vf::Float);
        EXPECT_EQ(v.f, c.value);
        EXPECT_EQ(v.var, -1);
        EXPECT_EQ(v.str, 0);
    }
    EXPECT_EQ(FloatConstant(20), 0.0);
    EXPECT_EQ(FloatConstant(-1), 0.0);

    const struct {
        const char* name;
        const char* text;
    } strings[] = {{"@crlf", "\r\n"}, {"@tab", "\t"}, {"@cr", "\r"}, {"@lf", "\n"}};
    for (const auto& c : strings) {
        SCOPED_TRACE(c.name);
        const KeywordEntry* row = FindBuiltinKeyword(c.name);
        ASSERT_NE(row, nullptr);
        Value v;
        ASSERT_EQ(ConstantValue(ctx.get(), *row, v), 1);
        EXPECT_EQ(v.flags, vf::String);
        EXPECT_EQ(Str(v), c.text);
        EXPECT_GE(HeapBlockCapacity(heap.data(), v.str), 3u);
        ReleaseValue(ctx.get(), v);
    }

    const KeywordEntry* hidden = FindBuiltinKeyword("@hidden");
    ASSERT_NE(hidden, nullptr);
    Value h;
    ASSERT_EQ(ConstantValue(ctx.get(), *hidden, h), 1);
    EXPECT_EQ(h.flags, vf::Integer);
    EXPECT_EQ(h.i, -1);

    // No room for a string constant.
    std::vector<std::uint16_t> blocks;
    for (std::uint16_t b; (b = VMalloc(heap.data(), 1)) != 0;)
        blocks.push_back(b);
    Value crlf;
    EXPECT_EQ(ConstantValue(ctx.get(), *FindBuiltinKeyword("@crlf"), crlf), 0);
    EXPECT_EQ(ctx->error_code, Err::StringMemory);
    EXPECT_EQ(crlf.str, 0);
    ctx->error_code = 0;
    for (std::uint16_t b : blocks)
        VFree(ctx.get(), heap.data(), b);
}

} // namespace
} // namespace jol
