// The tokenizer driven over whole lines with a real context: token classes,
// numbers, strings, names, stepping back, bare names, %name% substitution
// and the bounded copies.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/context/bounded_text.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "platform/environment.h"
#include "platform/text.h"
#include "tests/unit/test_errors.h"

using namespace jol;

namespace {

struct Tok {
    TokenClass cls;
    int id;
    std::string text;
};

struct TokenizerTest : ::testing::Test {
    static constexpr int kVars = 64;
    static constexpr int kSmallTable = 8;
    std::unique_ptr<ScriptContext> ctx = std::make_unique<ScriptContext>();
    std::vector<VarEntry> vars = std::vector<VarEntry>(kVars);
    std::vector<char> heap = std::vector<char>(8192);
    char line[300] = {};

    void SetUp() override {
        ctx->vars = vars.data();
        ctx->vars_capacity = kVars;
        ctx->heap.size = FormatStringHeap(heap.data(), heap.size(), 8192);
        ASSERT_NE(ctx->heap.size, 0u);
        ctx->heap.base = heap.data();
    }

    void Start(const std::string& text) {
        ASSERT_LT(text.size(), sizeof line);
        std::memcpy(line, text.c_str(), text.size() + 1);
        ctx->token.cursor = line;
        ctx->error_code = 0;
    }
    Tok Next() {
        get_token(ctx.get());
        return {ctx->token.cls, ctx->token.id, ctx->token.text};
    }
    // Every token of the line up to End or the first error.
    std::vector<Tok> All(const std::string& text) {
        Start(text);
        std::vector<Tok> out;
        for (int guard = 0; guard < 300; ++guard) {
            Tok t = Next();
            if (ctx->error_code || t.cls == TokenClass::End) break;
            out.push_back(t);
        }
        return out;
    }
    // The classes and texts as one string, e.g. "V:a K15:<= V:b".
    std::string Shape(const std::string& text) {
        std::string s;
        for (const Tok& t : All(text)) {
            if (!s.empty()) s += ' ';
            switch (t.cls) {
            case TokenClass::Keyword:
                s += "K" + std::to_string(t.id);
                break;
            case TokenClass::Variable:
                s += "V";
                break;
            case TokenClass::Integer:
                s += "I";
                break;
            case TokenClass::Float:
                s += "F";
                break;
            case TokenClass::String:
                s += "S";
                break;
            case TokenClass::End:
                s += "E";
                break;
            }
            s += ":" + t.text;
        }
        return s;
    }
    int ErrorOf(const std::string& text) {
        All(text);
        return ctx->error_code;
    }
    std::string Substitute(const std::string& text, int* result) {
        Start(text);
        *result = SubstituteVariables(ctx.get(), line);
        return line;
    }
    const VarEntry* Var(const char* name) {
        for (int i = 0; i < ctx->vars_count; ++i)
            if (vars[i].flags && std::strcmp(vars[i].name, name) == 0) return &vars[i];
        return nullptr;
    }
};

} // namespace

TEST_F(TokenizerTest, TokenClassesAndLongestMatch) {
    EXPECT_EQ(Shape("a<=b"), "V:a K15:<= V:b");
    EXPECT_EQ(Shape("a< =b"), "V:a K13:< K17:= V:b");
    EXPECT_EQ(Shape("x<<2>>y"), "V:x K14:<< I:2 K21:>> V:y");
    EXPECT_EQ(Shape("a**b&&c||d|e&f"), "V:a K7:** V:b K3:&& V:c K451:|| V:d K450:| V:e K2:& V:f");
    EXPECT_EQ(Shape("a<>b!=c==d"), "V:a K16:<> V:b K1:!= V:c K18:== V:d");
    EXPECT_EQ(Shape("x = 5 ; note"), "V:x K17:= I:5");
    EXPECT_EQ(Shape("; all comment"), "");
    EXPECT_EQ(Shape("   \t  "), "");
    EXPECT_EQ(Shape("ifx = 1"), "V:ifx K17:= I:1");
    EXPECT_EQ(Shape("if(x)"), "K264:if K4:( V:x K5:)");
    EXPECT_EQ(Shape("IF x THEN"), "K264:IF V:x K395:THEN");
    EXPECT_EQ(Shape("7 mod 2 modx"), "I:7 K299:mod I:2 V:modx");
    EXPECT_EQ(Shape("x = StrCat(\"a\", Y)"), "V:x K17:= K370:StrCat K4:( S:a K9:, V:y K5:)");
    EXPECT_EQ(Shape("@TRUE + -~!1"), "K101:@TRUE K8:+ K10:- K452:~ K0:! I:1");
    EXPECT_EQ(Shape("a ^ b : c / d"), "V:a K111:^ V:b K12:: V:c K11:/ V:d");
    // object references keep the line's own case
    EXPECT_EQ(Shape("Obj.Visible = 1"), "K23:Obj.Visible K17:= I:1");
    EXPECT_EQ(Shape("xl.Sheets.Item(1)"), "K23:xl.Sheets.Item K4:( I:1 K5:)");
    EXPECT_EQ(Shape("@o.a_b.c2 x"), "K23:@o.a_b.c2 V:x");
    // an '_' before the point makes a variable name with a point in it
    EXPECT_EQ(Shape("My_Obj.X = 2"), "V:my_obj.x K17:= I:2");
    EXPECT_EQ(Shape("_a@b"), "V:_a@b");
    // a token class End after the line's end stays End
    Start("a");
    Next();
    EXPECT_EQ(Next().cls, TokenClass::End);
    EXPECT_EQ(Next().cls, TokenClass::End);
    EXPECT_EQ(ctx->error_code, 0);
    // characters that start no token
    EXPECT_EQ(ErrorOf("a $ b"), Err::Unrecognizable);
    EXPECT_EQ(ErrorOf("#"), Err::Unrecognizable);
    EXPECT_EQ(ErrorOf("\x80"), Err::Unrecognizable);
}

TEST_F(TokenizerTest, NumbersAndTheirErrors) {
    EXPECT_EQ(Shape("1.5e-3"), "F:1.5e-3");
    EXPECT_EQ(Shape("12abc"), "I:12 V:abc");
    EXPECT_EQ(Shape("2e"), "F:2e");
    EXPECT_EQ(Shape("1e+"), "F:1e K8:+");
    EXPECT_EQ(Shape("1e+5+2"), "F:1e+5 K8:+ I:2");
    EXPECT_EQ(Shape("3E-x"), "F:3E K10:- V:x");
    EXPECT_EQ(Shape("1-2"), "I:1 K10:- I:2");
    EXPECT_EQ(Shape("0.5.x"), "");
    EXPECT_EQ(ctx->error_code, Err::TooManyDots);
    EXPECT_EQ(Shape("4."), "F:4.");
    EXPECT_EQ(ErrorOf("1.2.3"), Err::TooManyDots);
    EXPECT_EQ(ErrorOf("1e5e"), Err::TooManyEs);
    EXPECT_EQ(ErrorOf("1E5e2"), Err::TooManyEs);
    EXPECT_EQ(ErrorOf(std::string(256, '7')), 0);
    EXPECT_EQ(All(std::string(256, '7'))[0].text.size(), 256u);
    EXPECT_EQ(ErrorOf(std::string(257, '7')), Err::StringTooLong);
}

TEST_F(TokenizerTest, StringsAndQuotes) {
    EXPECT_EQ(Shape("\"a\"\"b\""), "S:a\"b");
    EXPECT_EQ(Shape("\"it's `so`\""), "S:it's `so`");
    EXPECT_EQ(Shape("'say \"hi\"' 'don''t'"), "S:say \"hi\" S:don't");
    EXPECT_EQ(Shape("`a'b\"c` x"), "S:a'b\"c V:x");
    EXPECT_EQ(Shape("\"\" , ''"), "S: K9:, S:");
    EXPECT_EQ(Shape("\"a;b\" ; c"), "S:a;b");
    // a missing closing quote ends the string at the end of the line
    EXPECT_EQ(Shape("\"open"), "S:open");
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(ctx->token.cursor, line + std::strlen(line));
    // at most 256 bytes are copied; the rest follows as further tokens
    std::string s256(256, 's');
    EXPECT_EQ(Shape("\"" + s256 + "\"+1"), "S:" + s256 + " K8:+ I:1");
    std::vector<Tok> toks = All("\"" + s256 + "xyz\"");
    ASSERT_EQ(toks.size(), 3u);
    EXPECT_EQ(toks[0].text, s256);
    EXPECT_EQ(toks[1].text, "xyz");
    EXPECT_EQ(toks[2].cls, TokenClass::String);
    EXPECT_EQ(toks[2].text, "");
}

TEST_F(TokenizerTest, VariableNamesCreateEntries) {
    std::string n30(30, 'n');
    EXPECT_EQ(Shape(n30 + "=1"), "V:" + n30 + " K17:= I:1");
    EXPECT_EQ(ErrorOf(std::string(31, 'n')), Err::NameTooLong);
    EXPECT_EQ(Shape("MixedCase"), "V:mixedcase");

    // a mentioned name gets an unset entry; a mentioned again name reuses it
    ctx->vars_count = 0;
    for (VarEntry& v : vars)
        v = VarEntry{};
    All("Fresh + fresh");
    const VarEntry* fresh = Var("fresh");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->flags, vf::Unset);
    EXPECT_EQ(fresh->i, -1);
    EXPECT_EQ(fresh->str, 0);
    EXPECT_EQ(ctx->vars_count, 1);

    // a full table refuses new names and never counts past its capacity
    ctx->vars_capacity = kSmallTable;
    std::string names;
    for (int k = 0; k < kSmallTable + 3; ++k)
        names += " v" + std::to_string(k);
    Start(names);
    int refused = 0;
    for (int k = 0; k < kSmallTable + 3; ++k) {
        ctx->error_code = 0;
        Tok t = Next();
        EXPECT_EQ(t.cls, TokenClass::Variable);
        if (ctx->error_code == Err::VariableMemory) ++refused;
        EXPECT_LE(ctx->vars_count, kSmallTable);
    }
    EXPECT_GE(refused, 3);
    ctx->error_code = 0;
    All("fresh");
    EXPECT_EQ(ctx->error_code, 0); // known names still work
}

TEST_F(TokenizerTest, UngetTokenReturnsToTheTokenStart) {
    const char* lines[] = {
        "  Obj.Visible = 1",
        "\"a\"\"b\" x",
        "'open",
        "12.5e+3 - 1",
        "  <= >=",
        "strcat(a)",
        "name_x.y 1",
        "\""
        "abc",
        "  x   ",
    };
    for (const char* l : lines) {
        SCOPED_TRACE(l);
        Start(l);
        for (int guard = 0; guard < 20; ++guard) {
            const char* before = ctx->token.cursor;
            Tok first = Next();
            ASSERT_EQ(ctx->error_code, 0);
            if (first.cls == TokenClass::End) {
                UngetToken(ctx.get()); // End: nothing to step back over
                EXPECT_EQ(Next().cls, TokenClass::End);
                break;
            }
            const char* after = ctx->token.cursor;
            UngetToken(ctx.get());
            EXPECT_GE(ctx->token.cursor, before);
            EXPECT_LE(ctx->token.cursor, after);
            const char* start = ctx->token.cursor;
            UngetToken(ctx.get()); // a second step back goes no further
            EXPECT_EQ(ctx->token.cursor, start);
            Tok again = Next();
            EXPECT_EQ(again.cls, first.cls);
            EXPECT_EQ(again.id, first.id);
            EXPECT_EQ(again.text, first.text);
            EXPECT_EQ(ctx->token.cursor, after);
        }
    }
    // the object reference steps back by its whole dotted text
    Start("obj.method(1)");
    Next();
    Next();
    EXPECT_EQ(ctx->token.id, kw::LParen);
    UngetToken(ctx.get());
    EXPECT_EQ(ctx->token.cursor, line + 10);
    Start("  Obj.Visible");
    Next();
    UngetToken(ctx.get());
    EXPECT_EQ(ctx->token.cursor, line + 2);

    // a token no longer current is never stepped back over: not after the
    // cursor moved on, nor after it was set to another line
    Start("abc def");
    Next();
    ctx->token.cursor += 2;
    UngetToken(ctx.get());
    EXPECT_EQ(ctx->token.cursor, line + 5);
    char other[] = "x";
    Start("a_long_name");
    Next();
    ctx->token.cursor = other;
    UngetToken(ctx.get());
    EXPECT_EQ(ctx->token.cursor, other);
    // the bare name of GetNameToken can be stepped back over as well
    Start("  label rest");
    GetNameToken(ctx.get());
    UngetToken(ctx.get());
    EXPECT_EQ(ctx->token.cursor, line + 2);
}

TEST_F(TokenizerTest, NameTokensForLabelsAndTypeWords) {
    Start("  :Cancel_1@x ; rest");
    ctx->token.cursor = line + 3; // past the ':' as the caller would
    GetNameToken(ctx.get());
    EXPECT_EQ(ctx->token.cls, TokenClass::String);
    EXPECT_EQ(ctx->token.id, -1);
    EXPECT_STREQ(ctx->token.text, "Cancel_1@x");
    GetNameToken(ctx.get());
    EXPECT_EQ(ctx->token.cls, TokenClass::End);
    EXPECT_EQ(ctx->error_code, 0);

    Start("   ");
    GetNameToken(ctx.get());
    EXPECT_EQ(ctx->token.cls, TokenClass::End);
    Start("lpstr:");
    GetNameToken(ctx.get());
    EXPECT_STREQ(ctx->token.text, "lpstr");
    EXPECT_EQ(Next().id, kw::Colon);
    Start(" +x");
    GetNameToken(ctx.get());
    EXPECT_EQ(ctx->error_code, Err::Unrecognizable);
    Start(std::string(256, 'w'));
    GetNameToken(ctx.get());
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(std::strlen(ctx->token.text), 256u);
    Start(std::string(257, 'w'));
    GetNameToken(ctx.get());
    EXPECT_EQ(ctx->error_code, Err::StringTooLong);
}

TEST_F(TokenizerTest, Substitution) {
    SetVariable(ctx.get(), "who", "World", 0, 2);
    SetVariable(ctx.get(), "n", nullptr, 42, 1);
    SetVariable(ctx.get(), "pct", "%who%", 0, 2);
    ASSERT_EQ(ctx->error_code, 0);
    int r = 0;
    EXPECT_EQ(Substitute("Hello %WHO%!", &r), "Hello World!");
    EXPECT_EQ(r, 2);
    EXPECT_EQ(Substitute("x=%n%+%n%", &r), "x=42+42");
    EXPECT_EQ(Substitute("plain line", &r), "plain line");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Substitute("a%undefined%b", &r), "ab");
    EXPECT_EQ(r, 2);
    EXPECT_EQ(Substitute("%@tab%|%@CRLF%|%@cr%|%@Lf%", &r), "\t|\r\n|\r|\n");
    EXPECT_EQ(Substitute("%@true%%@pi%", &r), ""); // only the string constants
    EXPECT_EQ(Substitute("100%%", &r), "100%");
    EXPECT_EQ(Substitute("%pct%", &r), "%who%"); // not substituted again
    std::string n30(30, 'q');
    EXPECT_EQ(Substitute("<%" + n30 + "%>", &r), "<>");
    EXPECT_EQ(ctx->error_code, 0);

    // errors leave the line as it was
    EXPECT_EQ(Substitute("<%" + n30 + "q%>", &r), "<%" + n30 + "q%>");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(ctx->error_code, Err::SubstNameTooLong);
    EXPECT_EQ(Substitute("50% off", &r), "50% off");
    EXPECT_EQ(ctx->error_code, Err::SubstNotClosed);
    EXPECT_EQ(Substitute("x = %who", &r), "x = %who");
    EXPECT_EQ(ctx->error_code, Err::SubstNotClosed);
    EXPECT_EQ(Substitute("%obj.x%", &r), "%obj.x%");
    EXPECT_EQ(ctx->error_code, Err::SubstNotClosed);
}

TEST_F(TokenizerTest, SubstitutionLimits) {
    int r = 0;
    std::string s250(250, 'z');
    SetVariable(ctx.get(), "six", "123456", 0, 2);
    SetVariable(ctx.get(), "seven", "1234567", 0, 2);
    SetVariable(ctx.get(), "long", std::string(300, 'L').c_str(), 0, 2);
    ASSERT_EQ(ctx->error_code, 0);
    // exactly 256 bytes fit
    EXPECT_EQ(Substitute(s250 + "%six%", &r), s250 + "123456");
    EXPECT_EQ(ctx->error_code, 0);
    // a text that would have to be cut raises SubstLineTooLong and changes
    // nothing
    EXPECT_EQ(Substitute(s250 + "%seven%", &r), s250 + "%seven%");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(ctx->error_code, Err::SubstLineTooLong);
    EXPECT_EQ(Substitute("%long%", &r), "%long%");
    EXPECT_EQ(ctx->error_code, Err::SubstLineTooLong);
    EXPECT_EQ(Substitute(std::string(255, 'p') + "%%%%", &r), std::string(255, 'p') + "%%%%");
    EXPECT_EQ(ctx->error_code, Err::SubstLineTooLong);
    // a line over 256 bytes without any % is refused as well
    EXPECT_EQ(Substitute(std::string(257, 'p'), &r), std::string(257, 'p'));
    EXPECT_EQ(ctx->error_code, Err::SubstLineTooLong);
    // null arguments
    ctx->error_code = 0;
    EXPECT_EQ(SubstituteVariables(ctx.get(), nullptr), 0);
    EXPECT_EQ(ctx->error_code, Err::NullPointer);
    EXPECT_EQ(SubstituteVariables(nullptr, line), 0);
}

TEST(BoundedText, CopyAndAppendWithinSize) {
    auto ctx = std::make_unique<ScriptContext>();
    char buf[8];
    EXPECT_EQ(CopyBounded(ctx.get(), buf, "abcdefghij", sizeof buf), 1);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(CopyBounded(ctx.get(), buf, "ab", sizeof buf), 1);
    EXPECT_EQ(AppendBounded(ctx.get(), buf, "cd", sizeof buf), 1);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(AppendBounded(ctx.get(), buf, "efghij", sizeof buf), 1);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(AppendBounded(ctx.get(), buf, "x", sizeof buf), 1);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(CopyBounded(ctx.get(), buf, "", 1), 1);
    EXPECT_STREQ(buf, "");
    buf[0] = 'k';
    EXPECT_EQ(CopyBounded(ctx.get(), buf, "zz", 0), 1); // nothing fits, nothing written
    EXPECT_EQ(buf[0], 'k');
    // an unterminated destination is cut to the size before appending
    std::memset(buf, 'u', sizeof buf);
    EXPECT_EQ(AppendBounded(ctx.get(), buf, "v", sizeof buf), 1);
    EXPECT_STREQ(buf, "uuuuuuu");
    EXPECT_EQ(ctx->error_code, 0);

    EXPECT_EQ(CopyBounded(ctx.get(), nullptr, "a", 4), 0);
    EXPECT_EQ(ctx->error_code, Err::NullPointer);
    ctx->error_code = 0;
    EXPECT_EQ(AppendBounded(ctx.get(), buf, nullptr, 4), 0);
    EXPECT_EQ(ctx->error_code, Err::NullPointer);
    EXPECT_EQ(CopyBounded(nullptr, nullptr, "a", 4), 0); // no context: no error stored
    EXPECT_EQ(AppendBounded(nullptr, buf, nullptr, 4), 0);
}

namespace {

// Switches the native code page for one test; the Win32 build keeps the
// system's code page, so the double-byte cases run only where 932 is set.
struct CodePage932 {
    unsigned previous = plat::code_page();
    bool active = false;
    CodePage932() {
        plat::set_env("JOL_CODEPAGE", "932");
        active = plat::refresh_code_page() == 932;
    }
    ~CodePage932() {
        plat::set_env("JOL_CODEPAGE", nullptr);
        plat::refresh_code_page();
    }
};

} // namespace

TEST_F(TokenizerTest, DoubleByteCharactersStayWhole) {
    CodePage932 cp;
    if (!cp.active) GTEST_SKIP() << "code page 932 not available";
    // 0x82 0xA0 is one character; its trail byte is no quote, no letter
    const std::string kana = "\x82\xA0";
    const std::string quote_trail = "\x83\x60"; // trail byte looks like '`'
    EXPECT_EQ(Shape("`" + quote_trail + "` x"), "S:" + quote_trail + " V:x");
    // a character that does not fit whole ends the string before it
    EXPECT_EQ(Shape("\"" + std::string(255, 'a') + kana + "\""),
              "S:" + std::string(255, 'a') + " V:" + kana + " S:");
    // names hold double-byte characters; 30 bytes at most
    EXPECT_EQ(Shape(kana + "x=1"), "V:" + kana + "x K17:= I:1");
    EXPECT_EQ(ErrorOf(std::string(29, 'n') + kana), Err::NameTooLong);
    Start(kana + "AB");
    GetNameToken(ctx.get());
    EXPECT_EQ(std::string(ctx->token.text), kana + "AB");
    // a lead byte right before the terminator never makes a scanner step
    // past it
    for (const char* l : {"\"ab\x82", "n\x82", "\x82", "1\x82"}) {
        SCOPED_TRACE(l);
        char buf[16] = {};
        std::strcpy(buf, l);
        buf[std::strlen(l) + 1] = 'X'; // a byte past the terminator
        ctx->token.cursor = buf;
        ctx->error_code = 0;
        for (int k = 0; k < 4; ++k)
            get_token(ctx.get());
        EXPECT_LE(ctx->token.cursor, buf + std::strlen(l));
        ctx->token.cursor = buf;
        GetNameToken(ctx.get());
        EXPECT_LE(ctx->token.cursor, buf + std::strlen(l));
    }
    // substitution: names and copies step over whole characters
    SetVariable(ctx.get(), "v", kana.c_str(), 0, 2);
    int r = 0;
    EXPECT_EQ(Substitute("%v%" + quote_trail + "%%", &r), kana + quote_trail + "%");
    EXPECT_EQ(Substitute(std::string(29, 'q') + "%", &r), std::string(29, 'q') + "%");
    EXPECT_EQ(ctx->error_code, Err::SubstNotClosed);
    EXPECT_EQ(Substitute("%" + std::string(29, 'q') + kana + "%", &r),
              "%" + std::string(29, 'q') + kana + "%");
    EXPECT_EQ(ctx->error_code, Err::SubstNameTooLong);
    EXPECT_EQ(Substitute("%" + std::string(28, 'q') + kana + "%.", &r), ".");
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(Substitute(std::string(255, 'p') + kana, &r), std::string(255, 'p') + kana);
    EXPECT_EQ(ctx->error_code, Err::SubstLineTooLong);
    EXPECT_EQ(Substitute("ab\x82", &r), "ab\x82");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Substitute("%ab\x82", &r), "%ab\x82");
    EXPECT_EQ(ctx->error_code, Err::SubstNotClosed);

    // bounded copies drop a character that does not fit whole
    char buf[4];
    CopyBounded(ctx.get(), buf, ("ab" + kana).c_str(), sizeof buf);
    EXPECT_STREQ(buf, "ab");
    CopyBounded(ctx.get(), buf, "a", sizeof buf);
    AppendBounded(ctx.get(), buf, kana.c_str(), sizeof buf);
    EXPECT_EQ(std::string(buf), "a" + kana);
    char tail[8] = {'a', '\x82', 0, 'X', 0};
    CopyBounded(ctx.get(), buf, tail, sizeof buf);
    EXPECT_EQ(std::string(buf), "a\x82");
}
