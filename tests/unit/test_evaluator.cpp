#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "tests/unit/test_errors.h"

namespace jol {
namespace {

class Evaluator : public ::testing::Test {
protected:
    void SetUp() override {
        vars.resize(50);
        heap.resize(8000);
        ctx = std::make_unique<ScriptContext>();
        ctx->vars = vars.data();
        ctx->vars_capacity = 50;
        ctx->decimals = -1;
        ctx->heap.size = FormatStringHeap(heap.data(), heap.size(), 8000);
        ctx->heap.base = heap.data();
    }

    // Evaluates a line; 1 on success with the value in out.
    int Eval(const char* text, Value& out, int assignment_allowed = 1) {
        std::strncpy(line, text, sizeof line - 1);
        ctx->error_code = 0;
        ctx->current_line = line;
        ctx->token.cursor = line;
        get_token(ctx.get());
        if (ctx->error_code) return 0;
        out = Value{};
        return ProcessSubExpression(ctx.get(), out, assignment_allowed);
    }
    // The integer result of a line that must give a plain integer.
    std::int32_t Int(const char* text) {
        Value v;
        EXPECT_EQ(Eval(text, v), 1) << text << ": error " << ctx->error_code;
        EXPECT_EQ(v.flags, vf::Integer) << text;
        FreeValueString(ctx.get(), v);
        return v.i;
    }
    double Float(const char* text) {
        Value v;
        EXPECT_EQ(Eval(text, v), 1) << text << ": error " << ctx->error_code;
        EXPECT_EQ(v.flags, vf::Float) << text;
        FreeValueString(ctx.get(), v);
        return v.f;
    }
    // The error code a line fails with.
    int Error(const char* text, int assignment_allowed = 1) {
        Value v;
        EXPECT_EQ(Eval(text, v, assignment_allowed), 0) << text;
        EXPECT_EQ(v.str, 0) << text; // a failed expression keeps no string
        return ctx->error_code;
    }
    std::string Text(const char* text) {
        Value v;
        EXPECT_EQ(Eval(text, v), 1) << text << ": error " << ctx->error_code;
        EXPECT_EQ(v.flags & vf::String, vf::String) << text;
        std::string s = HeapText(ctx.get(), v.str);
        FreeValueString(ctx.get(), v);
        return s;
    }
    VarEntry& Var(const char* name) {
        int n = LookupVariable(ctx.get(), name);
        EXPECT_GE(n, 0) << name;
        return ctx->vars[n < 0 ? 0 : n];
    }
    std::uint32_t FreeTotal() const { return HeapFreeTotal(heap.data()); }

    std::vector<VarEntry> vars;
    std::vector<char> heap;
    std::unique_ptr<ScriptContext> ctx;
    char line[257] = {};
};

TEST_F(Evaluator, PrecedenceAndAssociativity) {
    EXPECT_EQ(Int("1 + 2 * 3"), 7);
    EXPECT_EQ(Int("(1 + 2) * 3"), 9);
    EXPECT_EQ(Int("7 - 2 - 1"), 4);
    EXPECT_EQ(Int("100 / 10 / 5"), 2);
    EXPECT_EQ(Int("2 ** 3 ** 2"), 64);
    EXPECT_EQ(Int("-2 ** 2"), 4);
    EXPECT_EQ(Int("10 mod 3 * 2"), 2);
    EXPECT_EQ(Int("2 + 3 << 1"), 10);
    EXPECT_EQ(Int("1 << 2 == 4"), 1);
    EXPECT_EQ(Int("1 + 2 == 3 && 1"), 1);
    EXPECT_EQ(Int("1 < 2 < 3"), 1);
    EXPECT_EQ(Int("3 > 2 > 1"), 0);
    EXPECT_EQ(Int("1 | 2 ^ 3"), 0);
    EXPECT_EQ(Int("6 & 3 | 8"), 10);
    EXPECT_EQ(Int("0 || 1 && 0"), 0); // one level, left to right
    EXPECT_EQ(Int("!0 + 1"), 2);
    EXPECT_EQ(Int("- -5"), 5);
    EXPECT_EQ(Int("~0"), -1);
    EXPECT_EQ(Int("!!7"), 1);
    EXPECT_EQ(Int("+3"), 3);
    EXPECT_EQ(Int("((((1))))"), 1);
    EXPECT_EQ(Int("@true + 1"), 2);
    EXPECT_EQ(Int("-@TRUE"), -1);
    EXPECT_EQ(Int("@pi > 3.14 && @pi < 3.15"), 1);
    ASSERT_EQ(Int("a = 1"), 1);
    ASSERT_EQ(Int("b = 2"), 2);
    EXPECT_EQ(Int("a == 1 & b == 2"), 1);
    // The expression ends at the first token that is not part of it.
    Value v;
    ASSERT_EQ(Eval("1 + 2 ) 4", v, 0), 1);
    EXPECT_EQ(v.i, 3);
    EXPECT_EQ(ctx->token.cls, TokenClass::Keyword);
    EXPECT_EQ(ctx->token.id, kw::RParen);
}

TEST_F(Evaluator, IntegerArithmeticWrapsAndReportsItsErrors) {
    EXPECT_EQ(Int("7 / 2"), 3);
    EXPECT_EQ(Int("-7 / 2"), -3);
    EXPECT_EQ(Int("-7 mod 3"), -1);
    EXPECT_EQ(Int("7 mod -3"), 1);
    EXPECT_EQ(Int("2147483647 + 1"), INT32_MIN);
    EXPECT_EQ(Int("-2147483647 - 2"), INT32_MAX);
    EXPECT_EQ(Int("65536 * 65536"), 0);
    EXPECT_EQ(Int("-2147483648"), INT32_MIN);
    EXPECT_EQ(Int("-(-2147483648)"), INT32_MIN);
    EXPECT_EQ(Int("-2147483648 / -1"), INT32_MIN);
    EXPECT_EQ(Int("-2147483648 mod -1"), 0);
    EXPECT_EQ(Int("99999999999"), static_cast<std::int32_t>(99999999999LL & 0xFFFFFFFF));
    EXPECT_EQ(Int("0 ** 0"), 1);
    EXPECT_EQ(Int("3 ** 40"), 689956897);
    EXPECT_EQ(Int("2 ** 31"), INT32_MIN);
    EXPECT_EQ(Int("-8 >> 1"), -4);
    EXPECT_EQ(Int("1 << 33"), 2);
    EXPECT_EQ(Int("1 << -1"), INT32_MIN); // the count's low five bits: 31
    EXPECT_EQ(Int("-1 >> -1"), -1);
    EXPECT_EQ(Int("256 >> 36"), 16);
    EXPECT_EQ(Int("5 && 0"), 0);
    EXPECT_EQ(Int("0 || 3"), 1);
    EXPECT_EQ(Int("12 ^ 10"), 6);
    EXPECT_EQ(Int("~5"), -6);
    EXPECT_EQ(Error("5 / 0"), Err::DivideByZero);
    EXPECT_EQ(Error("5 mod 0"), Err::DivideByZero);
    EXPECT_EQ(Error("2 ** -1"), Err::MathFactorial);
}

TEST_F(Evaluator, FloatOperationsAndTheirErrors) {
    EXPECT_DOUBLE_EQ(Float("2.0 ** -1"), 0.5);
    EXPECT_DOUBLE_EQ(Float("7.5 mod 2"), 1.5);
    EXPECT_DOUBLE_EQ(Float("-7.5 mod 2"), -1.5);
    EXPECT_DOUBLE_EQ(Float("1.5 + 1"), 2.5);
    EXPECT_DOUBLE_EQ(Float("3 / 1.5"), 2.0);
    EXPECT_DOUBLE_EQ(Float("-1.25"), -1.25);
    EXPECT_DOUBLE_EQ(Float("\"2.5\" * 2"), 5.0);
    EXPECT_DOUBLE_EQ(Float("1e-300 / 10"), 0.0);
    EXPECT_EQ(Int("!2.5"), 0);
    EXPECT_EQ(Int("!0.0"), 1);
    EXPECT_EQ(Int("2.5 && 0"), 0);
    EXPECT_EQ(Int("0.0 || 0.5"), 1);
    EXPECT_EQ(Error("1.5 & 1"), Err::BinaryOperatorType);
    EXPECT_EQ(Error("1 << 1.5"), Err::BinaryOperatorType);
    EXPECT_EQ(Error("~1.5"), Err::UnaryOperatorType);
    EXPECT_EQ(Error("1e300 * 10"), Err::MathOverflow);
    EXPECT_EQ(Error("1.0 / 0"), Err::DivideByZero);
    EXPECT_EQ(Error("1.5 mod 0"), Err::DivideByZero);
    EXPECT_EQ(Error("-8.0 ** 0.5"), Err::MathDomain);
    EXPECT_EQ(Error("0.0 ** -1"), Err::MathSingularity);
    EXPECT_EQ(Error("1e5.5"), Err::TooManyDots);
}

TEST_F(Evaluator, StringOperandsConvertOrFail) {
    EXPECT_EQ(Int("\"5\" + 3"), 8);
    EXPECT_EQ(Int("\" 7\" * 2"), 14);
    EXPECT_EQ(Int("-\"4\""), -4);
    EXPECT_DOUBLE_EQ(Float("-\"1.5\""), -1.5);
    EXPECT_EQ(Error("\"abc\" + 1"), Err::NoNumber);
    EXPECT_EQ(Error("1 + \"abc\""), Err::NoNumber);
    EXPECT_EQ(Error("\"a\" + \"b\""), Err::NoNumber); // strings are never joined by +
    EXPECT_EQ(Error("-\"x\""), Err::NoNumber);
    EXPECT_EQ(Error("\"4 \" + 1"), Err::NoNumber);
}

TEST_F(Evaluator, ComparisonsChooseTheirModeByTheOperands) {
    EXPECT_EQ(Int("\"10\" < \"9\""), 0); // both integer texts
    EXPECT_EQ(Int("\"abc\" < \"abd\""), 1);
    EXPECT_EQ(Int("\"abc\" == \"abc\""), 1);
    EXPECT_EQ(Int("\"abc\" == \"ABC\""), 0); // case-sensitive
    EXPECT_EQ(Int("\"abc\" != \"abd\""), 1);
    EXPECT_EQ(Int("\"abc\" <> \"abc\""), 0);
    EXPECT_EQ(Int("5 == \"5.0\""), 1);
    EXPECT_EQ(Int("\"5.0\" == 5"), 1);
    EXPECT_EQ(Int("\"1.5\" == \"1.50\""), 1);
    EXPECT_EQ(Int("\"1.5\" < \"10\""), 1); // float mode
    EXPECT_EQ(Int("2 < \"10\""), 1);       // integer mode
    EXPECT_EQ(Int("\"x\" == 5"), 0);       // string mode, 5 as text
    EXPECT_EQ(Int("\"5\" == 5"), 1);
    EXPECT_EQ(Int("0.1 + 0.2 == 0.3"), 1);
    EXPECT_EQ(Int("0.1 + 0.2 != 0.3"), 0);
    EXPECT_EQ(Int("-2147483648 < 2147483647"), 1);
    EXPECT_EQ(Int("1.5 < 2"), 1);
    EXPECT_EQ(Int("2 >= 2.0"), 1);
    EXPECT_EQ(Int("3 <= 2"), 0);
    EXPECT_EQ(Int("3 > 2"), 1);
    EXPECT_EQ(Int("1.2 == 1.4"), 0);
    ctx->decimals = 0;
    EXPECT_EQ(Int("1.2 == 1.4"), 1); // equality on the text shown
    ctx->decimals = -1;
    // Conversions tried for two strings leave no error behind.
    EXPECT_EQ(Int("\"abc\" > \"1\""), 1);
    EXPECT_EQ(ctx->error_code, 0);
}

TEST_F(Evaluator, AssignmentRules) {
    EXPECT_EQ(Int("x = 5"), 5);
    EXPECT_EQ(Var("x").i, 5);
    EXPECT_EQ(Var("x").flags, vf::Integer);
    EXPECT_EQ(Int("X = x + 1"), 6);
    EXPECT_EQ(Var("x").i, 6);
    EXPECT_EQ(ctx->last_assigned_var, LookupVariable(ctx.get(), "x"));
    EXPECT_EQ(Int("x"), 6);
    EXPECT_EQ(Error("y = (x = 5)"), Err::AssignmentNotLegal);
    EXPECT_EQ(Error("x = 5", 0), Err::AssignmentNotLegal);
    EXPECT_EQ(Error("x == 1 = 2"), Err::AssignmentNotLegal);
    EXPECT_EQ(Error("1 = 2"), Err::AssignmentNotLegal);
    EXPECT_EQ(Var("x").i, 6);
    EXPECT_EQ(Error("x = 1 2"), Err::PastEnd);
    EXPECT_EQ(Var("x").flags, vf::Integer);
    EXPECT_EQ(Var("x").i, 0);
    ASSERT_EQ(Int("x = 9"), 9);
    EXPECT_EQ(Error("x = 1 +"), Err::Syntax); // a failed right side leaves 0
    EXPECT_EQ(Var("x").i, 0);

    EXPECT_EQ(Text("s = \"abc\""), "abc");
    EXPECT_STREQ(HeapText(ctx.get(), Var("s").str), "abc");
    std::uint32_t with_s = FreeTotal();
    EXPECT_EQ(Text("s = \"def\""), "def"); // the old string is freed
    EXPECT_EQ(FreeTotal(), with_s);
    EXPECT_EQ(Text("t = s"), "def");
    EXPECT_NE(Var("t").str, Var("s").str);
    EXPECT_DOUBLE_EQ(Float("f = 1.5"), 1.5);
    EXPECT_EQ(Var("f").flags, vf::Float);

    // A variable without a value.
    EXPECT_EQ(Error("unsetname + 1"), Err::VarUnset);
    // The right side may drop its own target.
    EXPECT_EQ(Int("d = 1"), 1);
    EXPECT_EQ(Int("d = Drop(d)"), 1);
    EXPECT_EQ(Var("d").i, 1);
}

TEST_F(Evaluator, SyntaxErrorsAndUnavailableOperations) {
    EXPECT_EQ(Error("5 +"), Err::Syntax);
    EXPECT_EQ(Error(")"), Err::Syntax);
    EXPECT_EQ(Error("* 2"), Err::Syntax);
    EXPECT_EQ(Error("(1 + 2"), Err::Parenthesis);
    EXPECT_EQ(Error("(1 + 2 3)"), Err::Parenthesis);
    EXPECT_EQ(Error("()"), Err::Syntax);
    // A function row without a handler yet: the first name of the pending
    // list, called with no arguments (while the list has one).
    {
        std::ifstream pending(JOL_PENDING_FUNCTIONS);
        std::string name;
        while (std::getline(pending, name) && (name.empty() || name[0] == '#')) {
        }
        const KeywordEntry* row = name.empty() ? nullptr : FindBuiltinKeyword(name.c_str());
        if (row) {
            // its arguments, one "1" each (a variadic row takes one)
            const int count = RowArgCount(*row) == 100 ? 1 : RowArgCount(*row);
            std::string call = name + "(";
            for (int i = 0; i < count; ++i)
                call += i ? ", 1" : "1";
            EXPECT_EQ(Error((call + ")").c_str()), Err::FunctionNotDefined) << call;
        }
    }
    EXPECT_EQ(Error("1 + obj.prop"), Err::ObjectsNotInitialized);
    EXPECT_EQ(Error("obj.prop = 1"), Err::ObjectsNotInitialized);
    EXPECT_EQ(Error("obj.prop = 1 2"), Err::PastEnd);
    EXPECT_EQ(Error("obj.prop = 1", 0), Err::AssignmentNotLegal);
    EXPECT_EQ(Error("drop x"), Err::OpenParenMissing);

    // A disabled keyword fails before anything is read after it.
    KeywordEntry* rows = WritableBuiltinKeywords();
    int count = BuiltinKeywordCount();
    KeywordEntry* strlen_row = nullptr;
    for (int i = 0; i < count; ++i)
        if (std::strncmp(rows[i].name, "strlen", 14) == 0) strlen_row = &rows[i];
    ASSERT_NE(strlen_row, nullptr);
    strlen_row->kind |= kind::Disabled;
    int code = Error("strlen(\"abc\")");
    strlen_row->kind &= static_cast<std::uint16_t>(~kind::Disabled);
    EXPECT_EQ(code, Err::FunctionDisabled);
}

TEST_F(Evaluator, FunctionArgumentsAreReadAndConverted) {
    EXPECT_EQ(Error("strlen()"), Err::Syntax);
    EXPECT_EQ(Error("gettickcount(5)"), Err::ArgumentCount);
    EXPECT_EQ(Error("strsub(\"abc\", 1)"), Err::ArgumentDelimiter);
    EXPECT_EQ(Error("strsub(\"abc\" 1, 2)"), Err::ArgumentDelimiter);
    EXPECT_EQ(Error("strlen \"abc\""), Err::OpenParenMissing);
    EXPECT_EQ(Int("strlen(12345)"), 5);
    EXPECT_DOUBLE_EQ(Float("sqrt(\"16\")"), 4.0);
    EXPECT_EQ(Int("int(\"2.5\")"), 3);
    EXPECT_EQ(Error("int(\"abc\")"), Err::NoNumber);
    EXPECT_EQ(Int("abs(-3.7)"), 4);
    EXPECT_EQ(Error("strcat(\"a\", \"b\") + 1"), Err::NoNumber);
    EXPECT_EQ(Text("strsub(strcat(\"ab\", \"cd\"), 2, 2)"), "bc");
    EXPECT_EQ(Text("versiondll()"), "2.3nbp");
    // Calls nest and take expressions as arguments.
    EXPECT_EQ(Int("strlen(strsub(\"abcdef\", 1 + 1, strlen(\"xyz\"))) * 2"), 6);
    // The error mode: any value other than 0 and 1 is @notify.
    Int("errormode(@cancel)");
    EXPECT_EQ(Int("errormode(5)"), 1);
    EXPECT_EQ(Int("errormode(@off)"), 2);
    EXPECT_EQ(Int("exclusive(7)"), 0);
    EXPECT_EQ(Int("exclusive(0)"), 1);
    EXPECT_EQ(Error("ignoreinput(1)"), Err::NoInputControl);
    EXPECT_EQ(Int("terminate(0, \"t\", \"m\")"), 1);
    EXPECT_EQ(Error("terminate(1, \"\", \"\")"), Err::StopTerminate);
#if !defined(_WIN32)
    // There is no session to end here: the request is refused and the run
    // goes on. (On Windows the call would log the user off.)
    EXPECT_EQ(Int("endsession()"), 0);
    EXPECT_EQ(ctx->cancel, 0);
#endif
}

TEST_F(Evaluator, FailedExpressionsLeakNoHeapBlocks) {
    ASSERT_EQ(Text("s = \"some text\""), "some text");
    const std::uint32_t before = FreeTotal();
    const char* failing[] = {
        "\"abc\" + \"def\"",
        "\"a\" == \"b\" + 1",
        "q = \"abc\" 5",
        "(\"abc\"",
        "\"abc\" < 1 + \"x\"",
        "strsub(\"abc\", 1)",
        "strlen(\"abc\" 1)",
        "strcat(s, \"b\") + 1",
        "strsub(s, \"x\", 1)",
        "s + 1",
        "s < \"t\" + 5",
        "\"x\" == (\"y\" ",
        "1 + (s == \"a\" & \"b\")",
        "-s",
        "s ** \"2\"",
        "IsDefined(s",
        "(s) + (\"9\" / \"0\")",
        "\"1\" << 1.5",
    };
    for (const char* text : failing) {
        Value v;
        EXPECT_EQ(Eval(text, v), 0) << text;
        EXPECT_EQ(FreeTotal(), before) << text;
    }
    // Successful expressions consume their temporaries too.
    const char* passing[] = {"@tab == @tab",
                             "@tab < \"a\"",
                             "\"5\" + 3",
                             "\"abc\" < \"abd\"",
                             "5 == \"5.0\"",
                             "s == s",
                             "\"1.5\" == \"1.50\"",
                             "-\"4\" * \"2.5\"",
                             "(s < \"t\") + 1",
                             "strlen(s)",
                             "strcat(s, s, 1) == s",
                             "int(\"2.5\")",
                             "sqrt(\"16\")",
                             "strlen(strsub(s, 1, 2)) + abs(\"-3\")"};
    for (const char* text : passing) {
        Value v;
        EXPECT_EQ(Eval(text, v), 1) << text;
        FreeValueString(ctx.get(), v);
        EXPECT_EQ(FreeTotal(), before) << text;
    }
    EXPECT_EQ(Text("s"), "some text");
    EXPECT_EQ(FreeTotal(), before);
}

TEST_F(Evaluator, OperatorsForOtherCallers) {
    Value a;
    a.i = 5;
    a.flags = vf::Integer;
    Value b;
    b.f = 0.5;
    b.flags = vf::Float;
    ASSERT_EQ(ApplyBinary(ctx.get(), kw::Plus, a, b), 1);
    EXPECT_EQ(a.flags, vf::Float);
    EXPECT_DOUBLE_EQ(a.f, 5.5);
    ASSERT_EQ(Compare(ctx.get(), kw::GreaterEqual, a, b), 1);
    EXPECT_EQ(a.flags, vf::Integer);
    EXPECT_EQ(a.i, 1);
    ASSERT_EQ(ApplyUnary(ctx.get(), kw::Minus, a), 1);
    EXPECT_EQ(a.i, -1);
    Value none;
    EXPECT_EQ(ApplyBinary(ctx.get(), kw::Plus, a, none), 0);
    EXPECT_EQ(ctx->error_code, Err::NoNumber);
    ctx->error_code = 0;
    EXPECT_EQ(Compare(ctx.get(), kw::Equal, none, a), 0);
    EXPECT_EQ(ctx->error_code, Err::NoNumber);
}

} // namespace
} // namespace jol
