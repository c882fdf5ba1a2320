#include <climits>
#include <cstdlib>
#include <string>

#include "host/context/process_state.h"
#include "platform/environment.h"
#include "platform/text.h"
#include "tests/unit/data_function_rig.h"
#include "tests/unit/test_errors.h"

namespace jol {
namespace {

using test_data::DataRig;

class StringFunctions : public DataRig {};

TEST_F(StringFunctions, EveryFunctionHasItsRow) {
    for (const char* name :
         {"strcat",     "strlen",      "strcharcount", "strsub",     "strindex", "strindexnc",
          "strscan",    "strtrim",     "strupper",     "strlower",   "strfill",  "strfix",
          "strfixleft", "strfixchars", "strfixcharsl", "strreplace", "strcmp",   "stricmp",
          "char2num",   "num2char",    "isnumber",     "isfloat",    "isint",    "parsedata",
          "average",    "max",         "min"})
        EXPECT_NE(Handler(name), nullptr) << name;
}

TEST_F(StringFunctions, SubstringsAndLengths) {
    EXPECT_EQ(Int("strlen", {S("hello")}), 5);
    EXPECT_EQ(Int("strlen", {AsText(I(12345))}), 5);
    EXPECT_EQ(Int("strcharcount", {S("")}), 0);
    EXPECT_EQ(Str("strsub", {S("abc"), I(2), I(5)}), ""); // past the end: not cut
    EXPECT_EQ(Str("strsub", {S("abc"), I(2), I(-1)}), "bc");
    EXPECT_EQ(Str("strsub", {S("abc"), I(0), I(0)}), "");
    EXPECT_EQ(Str("strsub", {S("abc"), I(4), I(0)}), "");
    EXPECT_EQ(Str("strsub", {S("abc"), I(1), I(3)}), "abc");
    EXPECT_EQ(Str("strsub", {S("abc"), I(3), I(1)}), "c");
    EXPECT_EQ(Str("strsub", {S("abc"), I(4), I(-1)}), "");
    // lengths below -1 and extreme positions give the empty string
    EXPECT_EQ(Str("strsub", {S("abc"), I(1), I(-2)}), "");
    EXPECT_EQ(Str("strsub", {S("abc"), I(INT_MIN), I(INT_MAX)}), "");
    EXPECT_EQ(Str("strsub", {S("abc"), I(INT_MAX), I(1)}), "");
    EXPECT_EQ(Str("strsub", {S("abc"), I(2), I(INT_MAX)}), "");
    EXPECT_EQ(Str("strsub", {S("abc"), I(0), I(-1)}), "");
    EXPECT_EQ(FreeTotal(), initial_free);
}

TEST_F(StringFunctions, IndexAndScan) {
    EXPECT_EQ(Int("strindex", {S("abcabc"), S("bc"), I(0), I(1)}), 5);
    EXPECT_EQ(Int("strindex", {S("abcabc"), S("bc"), I(5), I(1)}), 2);
    EXPECT_EQ(Int("strindex", {S("abcabc"), S("bc"), I(6), I(7)}), 5); // any non-zero: backward
    EXPECT_EQ(Int("strindex", {S("abcabc"), S("bc"), I(1), I(1)}), 0);
    EXPECT_EQ(Int("strindex", {S("abc"), S(""), I(2), I(0)}), 2);
    EXPECT_EQ(Int("strindex", {S(""), S("a"), I(0), I(0)}), 0);
    EXPECT_EQ(Int("strindex", {S(""), S(""), I(0), I(0)}), 0);
    EXPECT_EQ(Int("strindex", {S("abcabc"), S("bc"), I(3), I(0)}), 5);
    EXPECT_EQ(Int("strindex", {S("abcabc"), S("bc"), I(6), I(0)}), 0);
    EXPECT_EQ(Int("strindex", {S("abc"), S("abcd"), I(0), I(0)}), 0);
    EXPECT_EQ(Int("strindex", {S("abc"), S("abc"), I(0), I(0)}), 1);
    EXPECT_EQ(Int("strindex", {S("abc"), S("abc"), I(0), I(1)}), 1);
    EXPECT_EQ(Int("strindex", {S("abc"), S("c"), I(-1), I(0)}), 0);
    EXPECT_EQ(Int("strindex", {S("abc"), S("c"), I(4), I(0)}), 0);
    EXPECT_EQ(Int("strindex", {S("aBc"), S("bc"), I(0), I(0)}), 0);
    EXPECT_EQ(Int("strindexnc", {S("aBc"), S("bC"), I(0), I(0)}), 2);
    EXPECT_EQ(Int("strindexnc", {S("ABCabc"), S("bc"), I(3), I(0)}), 5);
    EXPECT_EQ(Int("strindexnc", {S("ABCabc"), S("BC"), I(0), I(1)}), 5);
    EXPECT_EQ(Int("strindexnc", {S("ABCabc"), S("BC"), I(4), I(1)}), 2);

    EXPECT_EQ(Int("strscan", {S("a,b;c"), S(",;"), I(0), I(1)}), 4);
    EXPECT_EQ(Int("strscan", {S("a,b;c"), S(",;"), I(3), I(0)}), 4);
    EXPECT_EQ(Int("strscan", {S("a,b;c"), S(",;"), I(0), I(0)}), 2);
    EXPECT_EQ(Int("strscan", {S("a,b;c"), S(",;"), I(3), I(1)}), 2);
    EXPECT_EQ(Int("strscan", {S("a,b;c"), S(",;"), I(5), I(0)}), 0);
    EXPECT_EQ(Int("strscan", {S("a,b;c"), S(""), I(3), I(0)}), 3);
    EXPECT_EQ(Int("strscan", {S(""), S(","), I(0), I(0)}), 0);
    EXPECT_EQ(Int("strscan", {S("abc"), S(","), I(9), I(1)}), 0);
    EXPECT_EQ(FreeTotal(), initial_free);
}

TEST_F(StringFunctions, FillingAndFixing) {
    EXPECT_EQ(Str("strfill", {S(""), I(3)}), "   ");
    EXPECT_EQ(Str("strfill", {S("ab"), I(5)}), "ababa");
    EXPECT_EQ(Str("strfill", {S("ab"), I(0)}), "");
    EXPECT_EQ(Str("strfill", {S("ab"), I(-4)}), "");
    EXPECT_EQ(Str("strfix", {S("abc"), S(""), I(5)}), "abc  ");
    EXPECT_EQ(Str("strfix", {S("abcdef"), S("x"), I(3)}), "abc");
    EXPECT_EQ(Str("strfix", {S("ab"), S("xyz"), I(7)}), "abxyzxy");
    EXPECT_EQ(Str("strfix", {S("ab"), S("x"), I(-3)}), "");
    EXPECT_EQ(Str("strfixleft", {S("abcdef"), S(" "), I(3)}), "def");
    EXPECT_EQ(Str("strfixleft", {S("ab"), S("xyz"), I(6)}), "xyzxab");
    EXPECT_EQ(Str("strfixleft", {S("ab"), S("x"), I(-1)}), "");
    EXPECT_EQ(Str("strfixchars", {S("ab"), S("xy"), I(5)}), "abxyx");
    EXPECT_EQ(Str("strfixchars", {S("abcdef"), S("xy"), I(2)}), "ab");
    EXPECT_EQ(Str("strfixchars", {S("ab"), S(""), I(3)}), "ab ");
    EXPECT_EQ(Str("strfixchars", {S("ab"), S("x"), I(0)}), "");
    std::string left = Str("strfixcharsl", {S("ab"), S("xy"), I(5)});
    EXPECT_EQ(left, "xyxab");
    EXPECT_EQ(Str("strfixcharsl", {S("abcdef"), S("x"), I(2)}), "ef");
    EXPECT_EQ(Str("strfixcharsl", {S("ab"), S("x"), I(-2)}), "");
    EXPECT_EQ(Str("strfill", {S("abc"), I(1000)}).size(), 1000u);

    // Results the heap can never hold fail whole, never short.
    EXPECT_EQ(Err("strfill", {S("ab"), I(INT_MAX)}), Err::StringMemory);
    EXPECT_EQ(Err("strfix", {S("a"), S("b"), I(INT_MAX)}), Err::StringMemory);
    EXPECT_EQ(Err("strfixleft", {S("a"), S("b"), I(70000)}), Err::StringMemory);
    EXPECT_EQ(Err("strfixchars", {S("a"), S("bc"), I(INT_MAX)}), Err::StringMemory);
    EXPECT_EQ(Err("strfixcharsl", {S("a"), S("bc"), I(70000)}), Err::StringMemory);
    EXPECT_EQ(FreeTotal(), initial_free);
}

TEST_F(StringFunctions, Replacing) {
    EXPECT_EQ(Str("strreplace", {S("aaaa"), S("aa"), S("b")}), "bb");
    EXPECT_EQ(Str("strreplace", {S("aaa"), S("aa"), S("b")}), "ba");
    EXPECT_EQ(Str("strreplace", {S("abc"), S(""), S("x")}), "abc");
    EXPECT_EQ(Str("strreplace", {S(""), S("a"), S("x")}), "");
    EXPECT_EQ(Str("strreplace", {S("a.b.c"), S("."), S("--")}), "a--b--c");
    EXPECT_EQ(Str("strreplace", {S("a.b.c"), S("."), S("")}), "abc");
    EXPECT_EQ(Str("strreplace", {S("Abc"), S("a"), S("x")}), "Abc");
    // 30 KB of text grows past the heap when every byte becomes three
    std::string big(30000, 'x');
    EXPECT_EQ(Err("strreplace", {S(big), S("x"), S("yyy")}), Err::StringMemory);
    std::string shrunk = Str("strreplace", {S(big), S("xx"), S("z")});
    EXPECT_EQ(shrunk, std::string(15000, 'z'));
    EXPECT_EQ(FreeTotal(), initial_free);
}

TEST_F(StringFunctions, CatGrowsBeforeItCopies) {
    std::string piece(300, 'p');
    SetVariable(ctx.get(), "big", piece.c_str(), 0, 2);
    std::uint32_t before = FreeTotal();
    Value r = CallList("strcat", "(big, \"-\", 12, big, 2.5, big)");
    ASSERT_EQ(ok, 1) << ctx->error_code;
    ASSERT_EQ(r.flags, vf::String);
    EXPECT_EQ(std::string(HeapText(ctx.get(), r.str)), piece + "-12" + piece + "2.5" + piece);
    HeapFree(ctx.get(), r.str);
    EXPECT_EQ(FreeTotal(), before);

    r = CallList("strcat", "(\"a\")");
    ASSERT_EQ(ok, 1);
    EXPECT_STREQ(HeapText(ctx.get(), r.str), "a");
    HeapFree(ctx.get(), r.str);

    // a bad delimiter and an argument error leave nothing behind
    r = CallList("strcat", "(\"a\" \"b\")");
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(ctx->error_code, Err::StrCatSyntax);
    r = CallList("strcat", "(big, )");
    EXPECT_EQ(ok, 0);
    EXPECT_NE(ctx->error_code, 0);
    r = CallList("strcat", "(big, \"x\"");
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(ctx->error_code, Err::StrCatSyntax);
    EXPECT_EQ(FreeTotal(), before);
}

TEST_F(StringFunctions, AverageMaxMin) {
    Value r = CallList("max", "(1, 2, \"3\")");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.flags, vf::Integer);
    EXPECT_EQ(r.i, 3);
    r = CallList("max", "(1, 2.5)");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.flags, vf::Float);
    EXPECT_DOUBLE_EQ(r.f, 2.5);
    r = CallList("average", "(1, 2)");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.flags, vf::Float);
    EXPECT_DOUBLE_EQ(r.f, 1.5);
    r = CallList("average", "(4)");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.flags, vf::Float);
    EXPECT_DOUBLE_EQ(r.f, 4.0);
    r = CallList("min", "(3, -2, 7)");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.flags, vf::Integer);
    EXPECT_EQ(r.i, -2);
    r = CallList("min", "(3, \" 1\", \"2.0\")");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.flags, vf::Float); // "2.0" is no integer text
    EXPECT_DOUBLE_EQ(r.f, 1.0);
    r = CallList("max", "(-5, -5)");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.i, -5);
    // an integer text beyond 32 bits stays a float
    r = CallList("max", "(\"99999999999\")");
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.flags, vf::Float);

    std::uint32_t before = FreeTotal();
    r = CallList("max", "(1, \"abc\")");
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(ctx->error_code, Err::NoNumber);
    r = CallList("average", "(1 2)");
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(ctx->error_code, Err::AverageSyntax);
    r = CallList("min", "(\"x\" 2)");
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(ctx->error_code, Err::AverageSyntax);
    EXPECT_EQ(FreeTotal(), before);
}

TEST_F(StringFunctions, TestsCodesCaseAndComparison) {
    EXPECT_EQ(Int("isint", {S(" 12")}), 1);
    EXPECT_EQ(Int("isint", {S("12 ")}), 0);
    EXPECT_EQ(Int("isint", {S("1.0")}), 0);
    EXPECT_EQ(Int("isint", {S("+-5")}), 1);
    EXPECT_EQ(Int("isint", {S("\t5")}), 0);
    EXPECT_EQ(Int("isint", {S("")}), 0);
    EXPECT_EQ(Int("isint", {AsText(I(7))}), 1);
    EXPECT_EQ(Int("isint", {AsText(F(3.0))}), 0);
    EXPECT_EQ(Int("isnumber", {S("1.5")}), 1);
    EXPECT_EQ(Int("isnumber", {S(".5")}), 0);
    EXPECT_EQ(Int("isnumber", {S("abc")}), 0);
    EXPECT_EQ(Int("isfloat", {AsText(I(3))}), 1);
    EXPECT_EQ(Int("isfloat", {AsText(F(0.25))}), 1);
    EXPECT_EQ(Int("isnumber", {S("1e999")}), 0); // no error is left behind
    EXPECT_EQ(ctx->error_code, 0);

    EXPECT_EQ(Int("char2num", {S("A")}), 65);
    EXPECT_EQ(Int("char2num", {S("")}), 0);
    EXPECT_EQ(Int("char2num", {S("\xE9")}), 233);
    EXPECT_EQ(Str("num2char", {I(321)}), "A");
    EXPECT_EQ(Str("num2char", {I(0)}), "");
    EXPECT_EQ(Str("num2char", {I(256)}), "");
    EXPECT_EQ(Str("num2char", {I(-1)}), "\xFF");

    EXPECT_EQ(Str("strtrim", {S(" \t a b \t")}), "a b");
    EXPECT_EQ(Str("strtrim", {S(" \t ")}), "");
    EXPECT_EQ(Str("strtrim", {S("")}), "");
    EXPECT_EQ(Str("strupper", {S("abC1")}), "ABC1");
    EXPECT_EQ(Str("strlower", {S("AbC1")}), "abc1");

    EXPECT_EQ(Int("strcmp", {S("a"), S("B")}), -1);
    EXPECT_EQ(Int("stricmp", {S("a"), S("B")}), -1);
    EXPECT_NE(Int("strcmp", {S("A"), S("a")}), 0);
    EXPECT_EQ(Int("stricmp", {S("A"), S("a")}), 0);
    EXPECT_EQ(Int("strcmp", {S("b"), S("a")}), 1);
    EXPECT_EQ(Int("strcmp", {S("abc"), S("abc")}), 0);
    EXPECT_EQ(FreeTotal(), initial_free);
}

TEST_F(StringFunctions, ParseDataSplitsIntoParameters) {
    EXPECT_EQ(Int("parsedata", {S("one \"two three\" \"\"")}), 3);
    EXPECT_EQ(VarText("param0"), "3");
    EXPECT_EQ(VarText("Param1"), "one");
    EXPECT_EQ(VarText("param2"), "two three");
    EXPECT_EQ(VarText("param3"), "");

    EXPECT_EQ(Int("parsedata", {S("  ab\"c d\"e\t'it''s' `x y")}), 3);
    EXPECT_EQ(VarText("param1"), "abc de");
    EXPECT_EQ(VarText("param2"), "it's");
    EXPECT_EQ(VarText("param3"), "x y"); // an open quote runs to the end

    // Nothing but blanks: no parameters, the earlier ones stay.
    EXPECT_EQ(Int("parsedata", {S(" \t ")}), 0);
    EXPECT_EQ(VarText("param0"), "0");
    EXPECT_EQ(VarText("param3"), "x y");

    // A parameter longer than the work buffer is cut at 256 bytes.
    std::string longer(400, 'q');
    EXPECT_EQ(Int("parsedata", {S(longer + " z")}), 2);
    EXPECT_EQ(VarText("param1").size(), 256u);
    EXPECT_EQ(VarText("param2"), "z");
}

// Double-byte text: the native backend takes the code page from
// JOL_CODEPAGE; on Windows the system's code page cannot be changed.
class StringDoubleByte : public DataRig {
protected:
    void SetUp() override {
        DataRig::SetUp();
        plat::set_env("JOL_CODEPAGE", "932");
        if (plat::refresh_code_page() != 932) {
            Restore();
            GTEST_SKIP() << "the code page is the system's";
        }
        saved_dbcs = Process().version.dbcs;
        Process().version.dbcs = true;
    }
    void TearDown() override {
        Process().version.dbcs = saved_dbcs;
        Restore();
        DataRig::TearDown();
    }
    static void Restore() {
        plat::set_env("JOL_CODEPAGE", nullptr);
        plat::refresh_code_page();
    }
    bool saved_dbcs = false;
};

TEST_F(StringDoubleByte, CharactersStayWhole) {
    const std::string a = "\x82\xA0"; // hiragana a
    const std::string i = "\x82\xA2"; // hiragana i
    EXPECT_EQ(Int("strcharcount", {S("x" + a + "y")}), 3);
    EXPECT_EQ(Int("strlen", {S("x" + a + "y")}), 4);
    EXPECT_EQ(Str("strsub", {S("x" + a + "y"), I(2), I(1)}), a);
    EXPECT_EQ(Str("strsub", {S("x" + a + "y"), I(2), I(-1)}), a + "y");
    // the bytes A0 82 straddle two characters: no match
    EXPECT_EQ(Int("strindex", {S(a + a), S("\xA0\x82"), I(0), I(0)}), 0);
    EXPECT_EQ(Int("strindex", {S("x" + a + i + a), S(a), I(0), I(1)}), 4);
    EXPECT_EQ(Int("strindex", {S("x" + a + i + a), S(a), I(3), I(1)}), 2);
    EXPECT_EQ(Int("strindex", {S("x" + a + i + a), S(i), I(0), I(0)}), 3);
    EXPECT_EQ(Int("strscan", {S("x" + a + ",y"), S(","), I(0), I(0)}), 3);
    EXPECT_EQ(Int("strscan", {S("x" + a + ",y"), S(a), I(0), I(1)}), 2);
    // 82 41 is one character whose trail byte is 'A'
    EXPECT_EQ(Str("strreplace", {S("\x82"
                                   "AA"),
                                 S("AA"), S("b")}),
              "\x82"
              "AA");
    EXPECT_EQ(Str("strreplace", {S("A\x82"
                                   "AA"),
                                 S("A"), S("b")}),
              "b\x82"
              "Ab");
    // a character that would cross the limit is left out
    EXPECT_EQ(Str("strfix", {S(a + a), S(" "), I(3)}), a);
    EXPECT_EQ(Str("strfix", {S("x"), S(a), I(4)}), "x" + a);
    EXPECT_EQ(Str("strfixleft", {S("x" + a), S(" "), I(2)}), a);
    EXPECT_EQ(Str("strfixleft", {S(a + "x"), S(" "), I(2)}), "x");
    EXPECT_EQ(Str("strfixchars", {S("x"), S(a), I(3)}), "x" + a + a);
    EXPECT_EQ(Str("strfixcharsl", {S(a + i + "z"), S(" "), I(2)}), i + "z");
    EXPECT_EQ(Str("strfill", {S(a + "b"), I(3)}), a + "b" + a);
    EXPECT_EQ(Str("strtrim", {S(" \x81\x40 ")}), "\x81\x40"); // ideographic space is kept

    EXPECT_EQ(Int("char2num", {S(a)}), 0x82A0);
    EXPECT_EQ(Str("num2char", {I(0x82A0)}), a);
    EXPECT_EQ(Str("num2char", {I(0x4141)}), "A");
    EXPECT_EQ(FreeTotal(), initial_free);
}

} // namespace
} // namespace jol
