// Conversions between the views of a Value and the text forms of numbers.
//
// A Value owns the heap block named by its handle; the handle is 0 whenever
// the value holds no block, so a block is freed exactly once, by whoever
// drops the string view.
#include "lang/conversion.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"

namespace jol {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Exact powers of ten of a double.
constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// a * 10^k. Within the exact powers this is one correctly rounded
// operation; a large k is applied in steps.
double ScaleByPowerOfTen(double a, int k) {
    while (k > 22) {
        a *= 1e22;
        k -= 22;
    }
    while (k < -22) {
        a /= 1e22;
        k += 22;
    }
    return k >= 0 ? a * kPow10[k] : a / kPow10[-k];
}

// ----------------------------------------------- exact decimal reading
//
// m * 10^e for a mantissa of at most nine digits, rounded to the nearest
// double (ties to even) with integer arithmetic alone, so that every
// platform and floating-point unit reads a text as the same double.

constexpr int kBigWords = 28; // 5^340 and 999999999 * 5^308 fit in 896 bits

struct BigNumber {
    std::uint32_t w[kBigWords]; // little-endian words
    int n;                      // words in use; 0 for zero
};

void BigSet(BigNumber& b, std::uint32_t v) {
    b.w[0] = v;
    b.n = v ? 1 : 0;
}

void BigMultiply(BigNumber& b, std::uint32_t f) {
    std::uint64_t carry = 0;
    for (int i = 0; i < b.n; ++i) {
        std::uint64_t t = static_cast<std::uint64_t>(b.w[i]) * f + carry;
        b.w[i] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    if (carry && b.n < kBigWords) b.w[b.n++] = static_cast<std::uint32_t>(carry);
}

void BigPowerOfFive(BigNumber& b, int k) {
    BigSet(b, 1);
    for (; k >= 13; k -= 13)
        BigMultiply(b, 1220703125u); // 5^13
    std::uint32_t rest = 1;
    while (k-- > 0)
        rest *= 5u;
    BigMultiply(b, rest);
}

int BitLength32(std::uint32_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

int BigBitLength(const BigNumber& b) {
    return b.n ? (b.n - 1) * 32 + BitLength32(b.w[b.n - 1]) : 0;
}

bool BigBit(const BigNumber& b, int i) {
    return (b.w[i / 32] >> (i % 32)) & 1u;
}

// r = 2r + bit.
void BigShiftIn(BigNumber& r, std::uint32_t bit) {
    std::uint32_t carry = bit;
    for (int i = 0; i < r.n; ++i) {
        std::uint32_t top = r.w[i] >> 31;
        r.w[i] = (r.w[i] << 1) | carry;
        carry = top;
    }
    if (carry && r.n < kBigWords) r.w[r.n++] = carry;
}

bool BigLess(const BigNumber& a, const BigNumber& b) {
    if (a.n != b.n) return a.n < b.n;
    for (int i = a.n - 1; i >= 0; --i)
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i];
    return false;
}

void BigSubtract(BigNumber& a, const BigNumber& b) {
    std::int64_t borrow = 0;
    for (int i = 0; i < a.n; ++i) {
        std::int64_t t = static_cast<std::int64_t>(a.w[i]) - (i < b.n ? b.w[i] : 0u) - borrow;
        borrow = t < 0;
        a.w[i] = static_cast<std::uint32_t>(t + (borrow << 32));
    }
    while (a.n && a.w[a.n - 1] == 0)
        --a.n;
}

// Rounds q (with the sticky bit for what was cut below it) times 2^b to a
// double: 0.0 below the normal range, infinity above it.
double RoundBinary(std::uint64_t q, bool sticky, int b) {
    int length = 0;
    for (std::uint64_t t = q; t; t >>= 1)
        ++length;
    if (length == 0) return 0.0;
    std::uint64_t mantissa = q;
    if (length > 53) {
        int cut = length - 53;
        std::uint64_t rest = q & ((std::uint64_t{1} << cut) - 1);
        std::uint64_t half = std::uint64_t{1} << (cut - 1);
        mantissa = q >> cut;
        b += cut;
        if (rest > half || (rest == half && (sticky || (mantissa & 1u)))) ++mantissa;
        if (mantissa >> 53) {
            mantissa >>= 1;
            ++b;
        }
    }
    int top = b + BitLength32(static_cast<std::uint32_t>(mantissa >> 32)) +
              (mantissa >> 32 ? 32 : BitLength32(static_cast<std::uint32_t>(mantissa))) - 1;
    if (top > 1023) return std::numeric_limits<double>::infinity();
    if (top < -1022) return 0.0;
    return std::ldexp(static_cast<double>(mantissa), b);
}

// m * 10^e, m below 2^30.
double DecimalToDouble(std::uint32_t m, std::int32_t e) {
    if (m == 0 || e < -340) return 0.0;
    if (e > 308) return std::numeric_limits<double>::infinity();
    BigNumber big;
    if (e >= 0) {
        // m * 5^e * 2^e: the top 64 bits of the product and a sticky bit.
        BigPowerOfFive(big, e);
        BigMultiply(big, m);
        int length = BigBitLength(big);
        int cut = length > 64 ? length - 64 : 0;
        std::uint64_t q = 0;
        for (int i = length - 1; i >= cut; --i)
            q = (q << 1) | (BigBit(big, i) ? 1u : 0u);
        bool sticky = false;
        for (int i = 0; i < cut && !sticky; ++i)
            sticky = BigBit(big, i);
        return RoundBinary(q, sticky, e + cut);
    }
    // m / 5^k * 2^-k: 63 or 64 quotient bits of m * 2^s / 5^k by long
    // division, the remainder as the sticky bit.
    int k = -e;
    BigPowerOfFive(big, k);
    int ml = BitLength32(m);
    int s = BigBitLength(big) - ml + 63;
    BigNumber r;
    BigSet(r, 0);
    std::uint64_t q = 0;
    for (int i = ml + s - 1; i >= 0; --i) {
        std::uint32_t bit = (i >= s) ? ((m >> (i - s)) & 1u) : 0u;
        BigShiftIn(r, bit);
        q <<= 1;
        if (!BigLess(r, big)) {
            BigSubtract(r, big);
            q |= 1u;
        }
    }
    return RoundBinary(q, r.n != 0, -k - s);
}

// a * 10^(8 - e), the nine places of D. The product is taken as a double;
// a shortfall of a few units in its last place (the rounding of a and of
// the scaling) is not allowed to cost the ninth digit.
double NinePlaces(double a, int e) {
    double y = ScaleByPowerOfTen(a, 8 - e);
    return y + y * 0x1p-48;
}

// Half a unit of the last decimal shown with d decimals (0 to 8).
constexpr double kHalfUnit[9] = {5e-1, 5e-2, 5e-3, 5e-4, 5e-5, 5e-6, 5e-7, 5e-8, 5e-9};

// The integer text of ToInteger: leading spaces, any signs, at least one
// digit, and nothing after the digits.
bool IsStrictIntegerText(const char* p) {
    while (*p == ' ')
        ++p;
    while (*p == '+' || *p == '-')
        ++p;
    if (!IsDigit(*p)) return false;
    while (IsDigit(*p))
        ++p;
    return *p == 0;
}

// The code of a float that is no finite number.
Err NonFiniteCode(double f) {
    return std::isnan(f) ? Err::MathDomain : Err::MathOverflow;
}

// Writes the nine digits of D into out.
void NineDigits(std::uint32_t d, char* out) {
    for (int i = 8; i >= 0; --i) {
        out[i] = static_cast<char>('0' + d % 10);
        d /= 10;
    }
}

// Writes the decimal text of n (possibly negative) and returns the end.
char* AppendDecimal(char* p, int n) {
    char digits[12];
    int len = 0;
    std::uint32_t u = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    if (n < 0) *p++ = '-';
    do {
        digits[len++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    while (len)
        *p++ = digits[--len];
    *p = 0;
    return p;
}

// The saturation bound of the exponent and the decimal shift while a text
// is read: far beyond the range of a double, far below the int limits.
constexpr std::int32_t kExponentLimit = 100000;

} // namespace

// ------------------------------------------------------------ integers

char* FormatInteger(std::int32_t n, char* text, int radix) {
    if (radix < 2 || radix > 36) radix = 10;
    char digits[33];
    int len = 0;
    auto r = static_cast<std::uint32_t>(radix);
    std::uint32_t u = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    do {
        std::uint32_t d = u % r;
        digits[len++] = static_cast<char>(d < 10 ? '0' + d : 'A' + (d - 10));
        u /= r;
    } while (u);
    char* p = text;
    if (n < 0) *p++ = '-';
    while (len)
        *p++ = digits[--len];
    *p = 0;
    return text;
}

int IsIntegerText(const char* text) {
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    if (*p == '+' || *p == '-') ++p;
    if (!IsDigit(*p)) return 0;
    while (IsDigit(*p))
        ++p;
    while (IsBlank(*p))
        ++p;
    return *p == 0 ? 1 : 0;
}

std::int32_t ParseRadixText(const char* text, int radix) {
    if (radix < 2 || radix > 36) return -1;
    std::uint32_t n = 0;
    for (const char* p = text; *p; ++p) {
        int d = 99;
        if (IsDigit(*p))
            d = *p - '0';
        else if (*p >= 'a' && *p <= 'z')
            d = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'Z')
            d = *p - 'A' + 10;
        if (d >= radix) return -2;
        n = n * static_cast<std::uint32_t>(radix) + static_cast<std::uint32_t>(d);
    }
    return static_cast<std::int32_t>(n);
}

std::int32_t IntegerPower(std::int32_t b, std::int32_t n) {
    // Squaring gives the same wrapped product as n multiplications.
    std::uint32_t base = static_cast<std::uint32_t>(b);
    std::uint32_t r = 1;
    for (std::uint32_t e = n > 0 ? static_cast<std::uint32_t>(n) : 0u; e; e >>= 1) {
        if (e & 1u) r *= base;
        base *= base;
    }
    return static_cast<std::int32_t>(r);
}

// -------------------------------------------------------------- floats

int ParseFloatText(ScriptContext* ctx, const char* text, Value& v) {
    ClearPendingMathError();
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    if (!IsDigit(*p) && *p != '+' && *p != '-') return 0;

    std::uint32_t m = 0;    // mantissa: at most nine significant digits
    int kept = 0;           // significant digits in m
    std::int32_t shift = 0; // decimal shift
    std::int32_t exponent = 0;
    bool negative = false, negative_exponent = false;
    bool point = false, in_exponent = false, sign_allowed = true;

    for (; *p; ++p) {
        char c = *p;
        if (IsDigit(c)) {
            int d = c - '0';
            if (in_exponent) {
                exponent = exponent * 10 + d;
                if (exponent > kExponentLimit) exponent = kExponentLimit;
            } else {
                if (kept < 9) {
                    m = m * 10u + static_cast<std::uint32_t>(d);
                    if (m != 0) ++kept;
                }
                if (!point) {
                    if (m != 0 && shift < kExponentLimit) ++shift;
                } else if (m == 0 && shift > -kExponentLimit) {
                    --shift;
                }
            }
            sign_allowed = false;
        } else if (c == '.') {
            if (point) return 0;
            point = true;
            sign_allowed = false;
        } else if ((c == '+' || c == '-') && sign_allowed) {
            if (!IsDigit(p[1])) return 0;
            if (c == '-') {
                if (in_exponent)
                    negative_exponent = true;
                else
                    negative = true;
            }
            sign_allowed = false;
        } else if (c == 'e' || c == 'E') {
            if (in_exponent) return 0;
            in_exponent = true;
            point = true;
            sign_allowed = true;
        } else {
            return 0;
        }
    }

    double r = 0.0;
    if (m != 0) {
        std::int32_t e = (negative_exponent ? -exponent : exponent) + shift - kept;
        r = DecimalToDouble(m, e);
        // An overflow is a math error; an underflow reads as zero.
        if (!std::isfinite(r)) SetPendingMathError(Err::MathOverflow);
    }
    if (TakeMathError(ctx) != Err::None) return 0;
    v.f = negative ? -r : r;
    return 1;
}

int FormatFloat(ScriptContext* ctx, double f, char* text) {
    ClearPendingMathError();
    text[0] = 0;
    if (!std::isfinite(f)) return Raise(ctx, NonFiniteCode(f));
    if (f == 0.0) {
        std::memcpy(text, "0.0", 4);
        return 1;
    }
    bool negative = f < 0.0;
    double a = std::fabs(f);
    int d = ctx->decimals;
    if (d > 8) d = 8;
    if (d >= 0) a += kHalfUnit[d];

    // e = floor(log10 a), corrected so that D has exactly nine digits (the
    // logarithm may round across an exact power of ten).
    int e = static_cast<int>(std::floor(std::log10(a)));
    std::uint32_t digits = 0;
    double y = NinePlaces(a, e);
    if (y >= 1e9) {
        ++e;
        y = NinePlaces(a, e);
        digits = y < 1e8 ? 100000000u : static_cast<std::uint32_t>(y);
    } else if (y < 1e8) {
        --e;
        y = NinePlaces(a, e);
        if (y >= 1e9) {
            ++e;
            digits = 100000000u;
        } else {
            digits = static_cast<std::uint32_t>(y);
        }
    } else {
        digits = static_cast<std::uint32_t>(y);
    }
    int k = 8 - e;
    char nine[9];
    NineDigits(digits, nine);

    char* p = text;
    if (negative) *p++ = '-';
    char* body = p;
    if (k < 0 || k > 12) {
        *p++ = nine[0];
        *p++ = '.';
        int last = 8;
        while (last > 1 && nine[last] == '0')
            --last;
        for (int i = 1; i <= last; ++i)
            *p++ = nine[i];
        *p++ = 'E';
        AppendDecimal(p, e);
        return 1;
    }
    if (k > 8) {
        *p++ = '0';
        *p++ = '.';
        for (int i = 0; i < k - 9; ++i)
            *p++ = '0';
        for (int i = 0; i < 9; ++i)
            *p++ = nine[i];
    } else {
        for (int i = 0; i <= e; ++i)
            *p++ = nine[i];
        *p++ = '.';
        for (int i = e + 1; i < 9; ++i)
            *p++ = nine[i];
    }
    *p = 0;

    char* dot = std::strchr(body, '.');
    if (d < 0) {
        while (p - body > 2 && p[-1] == '0')
            *--p = 0;
    } else if (d == 0) {
        *dot = 0;
    } else {
        char* end = dot + 1 + d;
        while (p < end)
            *p++ = '0';
        *end = 0;
    }
    if (TakeMathError(ctx) != Err::None) return 0;
    return 1;
}

// ---------------------------------------------------------- conversions

void ReleaseValue(ScriptContext* ctx, Value& v) {
    if (v.str) HeapFree(ctx, v.str);
    v.str = 0;
    v.flags &= ~vf::String;
}

int ToInteger(ScriptContext* ctx, Value& v, bool allow_float) {
    if (v.flags & vf::Integer) return 1;
    if (v.flags & vf::Float) {
        if (!allow_float) return 0;
        double f = v.f;
        if (!std::isfinite(f)) {
            // Never a number; the math error names the cause.
            return Raise(ctx, NonFiniteCode(f));
        }
        // The rounded value must lie within +-2147483645.
        double r = std::trunc(f >= 0.0 ? f + 0.5 : f - 0.5);
        if (r < -2147483645.0 || r > 2147483645.0) return 0;
        if (TakeMathError(ctx) != Err::None) return 0;
        ReleaseValue(ctx, v);
        v.i = static_cast<std::int32_t>(r);
        v.flags = vf::Integer;
        return 1;
    }
    if (v.flags & vf::String) return TextToInteger(HeapText(ctx, v.str), v);
    return 0;
}

int TextToInteger(const char* text, Value& v) {
    if (!IsStrictIntegerText(text)) return 0;
    v.i = ParseIntegerText(text);
    v.flags |= vf::Integer;
    return 1;
}

int ToString(ScriptContext* ctx, Value& v) {
    if (v.flags & vf::String) return 1;
    char text[kIntegerTextSize > kFloatTextSize ? kIntegerTextSize : kFloatTextSize];
    std::uint32_t flags = 0;
    if (v.flags & vf::Integer) {
        FormatInteger(v.i, text, 10);
        flags = vf::Integer | vf::String;
    } else if (v.flags & vf::Float) {
        if (!FormatFloat(ctx, v.f, text)) return 0;
        flags = vf::Float | vf::String;
    } else {
        return 0;
    }
    std::uint16_t h = HeapCopyText(ctx, text);
    if (!h) return 0;
    // A handle without the string bit would be a block nobody frees.
    if (v.str) HeapFree(ctx, v.str);
    v.str = h;
    v.flags = flags;
    return 1;
}

int ToFloat(ScriptContext* ctx, Value& v) {
    if (v.flags & vf::Float) return 1;
    if (v.flags & vf::Integer) {
        v.f = static_cast<double>(v.i);
        v.flags |= vf::Float;
        return 1;
    }
    if (v.flags & vf::String) return TextToFloat(ctx, HeapText(ctx, v.str), v);
    return 0;
}

int TextToFloat(ScriptContext* ctx, const char* text, Value& v) {
    // A text that does not read as a float is no error.
    const SavedError saved = SetErrorAside(ctx);
    Value parsed;
    const int ok = ParseFloatText(ctx, text, parsed);
    RestoreError(ctx, saved);
    if (!ok) return 0;
    v.f = parsed.f;
    v.flags |= vf::Float;
    return 1;
}

// ------------------------------------------------------------ constants

double FloatConstant(int n) {
    static constexpr double kTable[20] = {
        3.141592653589793,  // @pi
        2.718281828459045,  // @e
        0.017453292519943,  // @deg2rad
        57.29577951308232,  // @rad2deg
        6.6256e-34,         // @planckjoules
        6.6252e-27,         // @planckergs
        32.174,             // @gftsec
        9.80665,            // @gmtsec
        1.66043e-27,        // @amc
        6.02252e+23,        // @avogadro
        1.38054e-23,        // @boltzmann
        8.8541853e-12,      // @electric
        0.5772156649015339, // @eulers
        96487.0,            // @faraday
        1.618033988749895,  // @goldenratio
        6.67e-11,           // @gravitation
        299792500.0,        // @lightmtps
        1.256637,           // @magfield
        206.265,            // @parsec
        186272.0,           // @lightmps
    };
    return (n >= 0 && n < 20) ? kTable[n] : 0.0;
}

int ConstantValue(ScriptContext* ctx, const KeywordEntry& row, Value& out) {
    out.var = -1;
    switch (RowConstantForm(row)) {
    case ConstantForm::Float:
        out.f = FloatConstant(RowConstantNumber(row));
        out.flags = vf::Float;
        out.str = 0;
        return 1;
    case ConstantForm::String: {
        std::uint16_t h = ctx->heap.base ? VMalloc(ctx->heap.base, 3) : 0;
        if (!h) return Raise(ctx, Err::StringMemory);
        char* block = HeapText(ctx, h);
        const char* s = StringConstantText(RowConstantNumber(row));
        std::size_t n = std::strlen(s);
        if (n > 2) n = 2;
        std::memcpy(block, s, n);
        block[n] = 0;
        out.i = kFillerInteger;
        out.f = kFillerFloat;
        out.str = h;
        out.flags = vf::String;
        return 1;
    }
    case ConstantForm::Integer:
    default:
        out.i = RowInteger(row);
        out.flags = vf::Integer;
        out.str = 0;
        return 1;
    }
}

} // namespace jol
