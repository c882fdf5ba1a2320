// The built-in keyword rows, the first-character index and the lookup over
// built-in, extender and host rows.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "host/context/script_context.h"
#include "lang/keyword_table.h"

using namespace jol;

namespace {

KeywordEntry Row(int id, int kind_bits, const char* name) {
    KeywordEntry e{};
    e.id = static_cast<std::uint16_t>(id);
    e.kind = static_cast<std::uint16_t>(kind_bits);
    e.length = static_cast<std::int16_t>(std::strlen(name));
    std::strncpy(e.name, name, sizeof e.name - 1);
    return e;
}

const KeywordEntry& Builtin(const char* name) {
    const KeywordEntry* row = FindBuiltinKeyword(name);
    EXPECT_NE(row, nullptr) << name;
    static KeywordEntry none{};
    return row ? *row : none;
}

struct KeywordLookup : ::testing::Test {
    std::unique_ptr<ScriptContext> ctx = std::make_unique<ScriptContext>();
    std::vector<KeywordEntry> host;

    // The id found at the start of line, or -1.
    int Find(const char* line, bool identifier_mode) {
        ctx->token.cursor = line;
        ctx->token.id = -1;
        if (!LookupKeyword(ctx.get(), identifier_mode)) return -1;
        EXPECT_EQ(ctx->token.cursor, line) << "lookup must not move the cursor";
        return ctx->token.id;
    }
    void AddExtender(const char* name) {
        ctx->extenders.rows[ctx->extenders.row_count++] = Row(0, kind::Function, name);
    }
    void SetHost(std::initializer_list<const char*> names) {
        host.clear();
        for (const char* n : names)
            host.push_back(Row(0, kind::Function, n));
        host.push_back(KeywordEntry{}); // end row, length 0
        ctx->host_keywords = host.data();
    }
};

} // namespace

TEST(KeywordTable, RowsAreWellFormedAndIndexed) {
    const KeywordEntry* rows = BuiltinKeywords();
    const int count = BuiltinKeywordCount();
    ASSERT_EQ(count, 451); // ids 0..452 without 112 and 281
    EXPECT_EQ(rows[0].id, 0);
    EXPECT_EQ(rows[count - 1].id, kw::LastBuiltin);
    for (int r = 0; r < count; ++r) {
        const KeywordEntry& e = rows[r];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(static_cast<std::size_t>(e.length), std::strlen(e.name));
        EXPECT_GE(e.length, 1);
        EXPECT_LE(e.length, 13);
        for (int k = 0; k < e.length; ++k)
            EXPECT_FALSE(e.name[k] >= 'A' && e.name[k] <= 'Z');
        EXPECT_EQ(e.kind & kind::Disabled, 0);
        if (r > 0) {
            EXPECT_GT(e.id, rows[r - 1].id);
        }
        EXPECT_EQ(KeywordRow(nullptr, e.id), &e);
        const int k = RowKind(e);
        EXPECT_TRUE(k <= 6 || k == 8);
        if (k == kind::Function) {
            int args = RowArgCount(e);
            EXPECT_TRUE(args <= 5 || args == kVariableArgs);
            EXPECT_EQ(e.value[1], 0);
            EXPECT_EQ(RowStringArgs(e) & RowFloatArgs(e), 0u);
            if (args <= 5) {
                EXPECT_EQ((RowStringArgs(e) | RowFloatArgs(e)) >> args, 0u);
            }
        } else if (k != kind::Constant) {
            EXPECT_EQ(RowValue(e), 0u);
        }
    }
    EXPECT_EQ(KeywordRow(nullptr, 112), nullptr);
    EXPECT_EQ(KeywordRow(nullptr, 281), nullptr);
    EXPECT_EQ(KeywordRow(nullptr, 453), nullptr);
    EXPECT_EQ(KeywordRow(nullptr, -1), nullptr);

    std::int32_t index[129];
    EXPECT_EQ(BuildFirstCharIndex(rows, count, index), 0);
    for (int r = 0; r < count; ++r) {
        unsigned c = static_cast<unsigned char>(rows[r].name[0]);
        EXPECT_LE(index[c], r);
        EXPECT_GT(index[c + 1], r);
    }
    EXPECT_EQ(index[128], count);
    EXPECT_EQ(rows[index['a']].id, 113); // abs follows ^
    EXPECT_EQ(rows[index['a'] - 1].id, kw::BitXor);
}

TEST(KeywordTable, SampleRowsCarryTheirValues) {
    // constants: integers, float and string constant encodings
    EXPECT_EQ(RowInteger(Builtin("@hidden")), -1);
    EXPECT_EQ(RowInteger(Builtin("@regcurrent")), static_cast<std::int32_t>(0x80000001u));
    EXPECT_EQ(RowInteger(Builtin("@wholesection")), 692837);
    EXPECT_EQ(RowInteger(Builtin("@ldblclick")), 515);
    EXPECT_EQ(RowConstantForm(Builtin("@hidden")), ConstantForm::Integer);
    EXPECT_EQ(RowValue(Builtin("@pi")), 0xF0F0F000u);
    EXPECT_EQ(RowValue(Builtin("@lightmps")), 0xF0F0F013u);
    EXPECT_EQ(RowConstantForm(Builtin("@e")), ConstantForm::Float);
    EXPECT_EQ(RowConstantNumber(Builtin("@e")), 1);
    EXPECT_EQ(RowValue(Builtin("@crlf")), 0xFFF0F000u);
    EXPECT_EQ(RowConstantForm(Builtin("@lf")), ConstantForm::String);
    EXPECT_STREQ(StringConstantText(RowConstantNumber(Builtin("@tab"))), "\t");
    EXPECT_STREQ(StringConstantText(RowConstantNumber(Builtin("@cr"))), "\r");
    EXPECT_STREQ(StringConstantText(RowConstantNumber(Builtin("@lf"))), "\n");
    EXPECT_STREQ(StringConstantText(RowConstantNumber(Builtin("@crlf"))), "\r\n");
    EXPECT_STREQ(StringConstantText(9), "");
    // functions: count, string and float argument bits
    const KeywordEntry& strcat = Builtin("strcat");
    EXPECT_EQ(strcat.id, 370);
    EXPECT_EQ(RowArgCount(strcat), kVariableArgs);
    EXPECT_EQ(RowStringArgs(strcat), 1u);
    EXPECT_EQ(RowStringArgs(Builtin("shellexecute")), 0x17u);
    EXPECT_EQ(RowFloatArgs(Builtin("binarypokeflt")), 0x04u);
    EXPECT_EQ(RowStringArgs(Builtin("binarypokeflt")), 0u);
    EXPECT_EQ(RowArgCount(Builtin("?deserver")), 0);
    EXPECT_EQ(RowArgCount(Builtin("?oleobject")), kVariableArgs);
    EXPECT_EQ(RowStringArgs(Builtin("intcontrol")), 0x1Eu);
    // the two rows out of byte order keep the ids they are listed with
    EXPECT_EQ(Builtin("endsession").id, 210);
    EXPECT_EQ(Builtin("endselect").id, 211);
    EXPECT_EQ(Builtin("winwaitclose").id, 444);
    EXPECT_EQ(Builtin("winwaitchild").id, 445);
    EXPECT_EQ(FindBuiltinKeyword("endsess"), nullptr);
    EXPECT_EQ(FindBuiltinKeyword("\xE9t\xE9"), nullptr);
}

TEST(KeywordTable, NamedIdsNameTheirRows) {
    struct Named {
        int id;
        const char* name;
        int kind;
    };
    const Named named[] = {
        {kw::Not, "!", 1},
        {kw::NotEqual, "!=", 5},
        {kw::BitAnd, "&", 0},
        {kw::And, "&&", 0},
        {kw::LParen, "(", 0},
        {kw::RParen, ")", 0},
        {kw::Multiply, "*", 0},
        {kw::Power, "**", 0},
        {kw::Plus, "+", 1},
        {kw::Comma, ",", 0},
        {kw::Minus, "-", 1},
        {kw::Divide, "/", 0},
        {kw::Colon, ":", 0},
        {kw::Less, "<", 5},
        {kw::ShiftLeft, "<<", 0},
        {kw::LessEqual, "<=", 5},
        {kw::LessGreater, "<>", 5},
        {kw::Assign, "=", 0},
        {kw::Equal, "==", 5},
        {kw::Greater, ">", 5},
        {kw::GreaterEqual, ">=", 5},
        {kw::ShiftRight, ">>", 0},
        {kw::DdeServer, "?deserver", 2},
        {kw::ObjectRef, "?oleobject", 2},
        {kw::BitXor, "^", 0},
        {kw::Mod, "mod", 0},
        {kw::BitOr, "|", 0},
        {kw::Or, "||", 0},
        {kw::BitNot, "~", 1},
        {kw::Beep, "beep", 4},
        {kw::Execute, "execute", 4},
        {kw::Exit, "exit", 4},
        {kw::Goto, "goto", 4},
        {kw::Yield, "yield", 4},
        {kw::Drop, "drop", 6},
        {kw::IsDefined, "isdefined", 6},
        {kw::Break, "break", 8},
        {kw::By, "by", 0},
        {kw::Case, "case", 8},
        {kw::Continue, "continue", 8},
        {kw::Else, "else", 8},
        {kw::End, "end", 8},
        {kw::EndFor, "endfor", 8},
        {kw::EndIf, "endif", 8},
        {kw::EndSelect, "endselect", 8},
        {kw::EndSwitch, "endswitch", 8},
        {kw::EndWhile, "endwhile", 8},
        {kw::For, "for", 8},
        {kw::Gosub, "gosub", 8},
        {kw::If, "if", 8},
        {kw::Next, "next", 8},
        {kw::Return, "return", 8},
        {kw::Select, "select", 8},
        {kw::Switch, "switch", 8},
        {kw::Then, "then", 8},
        {kw::To, "to", 8},
        {kw::While, "while", 8},
        {kw::FirstConstant, "@aboveicons", 3},
        {kw::LastConstant, "@zoomed", 3},
    };
    for (const Named& n : named) {
        const KeywordEntry* row = KeywordRow(nullptr, n.id);
        ASSERT_NE(row, nullptr) << n.name;
        EXPECT_STREQ(row->name, n.name);
        EXPECT_EQ(RowKind(*row), n.kind) << n.name;
    }
    // every row from the first to the last constant is a constant
    for (int id = kw::FirstConstant; id <= kw::LastConstant; ++id)
        EXPECT_EQ(RowKind(*KeywordRow(nullptr, id)), kind::Constant) << id;
}

TEST(KeywordTable, IndexBuildReportsOrderAndIdFaults) {
    std::int32_t index[129];
    KeywordEntry good[] = {Row(1, 0, "("), Row(5, 2, "abs"), Row(9, 2, "avg"), Row(12, 2, "zz")};
    EXPECT_EQ(BuildFirstCharIndex(good, 4, index), 0);
    EXPECT_EQ(index['('], 0);
    EXPECT_EQ(index[')'], 1);
    EXPECT_EQ(index['a'], 1);
    EXPECT_EQ(index['b'], 3);
    EXPECT_EQ(index['z'], 3);
    EXPECT_EQ(index['z' + 1], 4);
    EXPECT_EQ(index[128], 4);

    KeywordEntry unordered[] = {Row(1, 0, "b"), Row(2, 0, "a"), Row(3, 0, "c")};
    EXPECT_EQ(BuildFirstCharIndex(unordered, 3, index), kIndexOrderFault);
    for (int c = 0; c < 128; ++c)
        EXPECT_LE(index[c], index[c + 1]);

    KeywordEntry repeated[] = {Row(1, 0, "a"), Row(1, 0, "b")};
    EXPECT_EQ(BuildFirstCharIndex(repeated, 2, index), kIndexIdFault);
    KeywordEntry host_range[] = {Row(1, 0, "a"), Row(900, 0, "b")};
    EXPECT_EQ(BuildFirstCharIndex(host_range, 2, index), kIndexIdFault);
}

TEST_F(KeywordLookup, LongestMatchAndModes) {
    EXPECT_EQ(Find("<=b", false), kw::LessEqual);
    EXPECT_EQ(Find("< =b", false), kw::Less);
    EXPECT_EQ(Find("<<2", false), kw::ShiftLeft);
    EXPECT_EQ(Find("<>", false), kw::LessGreater);
    EXPECT_EQ(Find("**2", false), kw::Power);
    EXPECT_EQ(Find("&&x", false), kw::And);
    EXPECT_EQ(Find("||", false), kw::Or);
    EXPECT_EQ(Find("|x", false), kw::BitOr);
    EXPECT_EQ(Find("==", false), kw::Equal);
    EXPECT_EQ(Find("=", false), kw::Assign);
    EXPECT_EQ(Find("$", false), -1);
    EXPECT_EQ(Find("", false), -1);
    // identifier mode takes words only whole; operator mode does not look
    // at what follows
    EXPECT_EQ(Find("modx", false), kw::Mod);
    EXPECT_EQ(Find("mod 3", true), kw::Mod);
    EXPECT_EQ(Find("MOD(", true), kw::Mod);
    EXPECT_EQ(Find("modx", true), -1);
    EXPECT_EQ(Find("mod_x", true), -1);
    EXPECT_EQ(Find("mod@", true), -1);
    EXPECT_EQ(Find("ifx = 1", true), -1);
    EXPECT_EQ(Find("if(x)", true), kw::If);
    EXPECT_EQ(Find("If x", true), kw::If);
    // longest name wins among rows sharing a prefix
    EXPECT_EQ(Find("endif", true), kw::EndIf);
    EXPECT_EQ(Find("end", true), kw::End);
    EXPECT_EQ(Find("binaryincr4(", true), 136);
    EXPECT_EQ(Find("binaryincr(", true), 134);
    EXPECT_EQ(Find("WinWaitChild(", true), 445);
    EXPECT_EQ(Find("@TRUE", true), 101);
    EXPECT_EQ(Find("yields(1)", true), 449);
    EXPECT_EQ(Find("yield", true), kw::Yield);
    // object references: name, point
    EXPECT_EQ(Find("Obj.Visible", true), kw::ObjectRef);
    EXPECT_EQ(Find("@x.y", true), kw::ObjectRef);
    EXPECT_EQ(Find("if.x", true), kw::ObjectRef);
    EXPECT_EQ(Find("my_obj.x", true), -1);
    EXPECT_EQ(Find("abcdefghijabcdefghijabcdefghij.x", true), kw::ObjectRef); // 30
    EXPECT_EQ(Find("abcdefghijabcdefghijabcdefghijk.x", true), -1);           // 31
    EXPECT_EQ(Find("obj.x", false), -1);
}

TEST_F(KeywordLookup, ExtenderAndHostRows) {
    // a null host table is an empty one
    ctx->host_keywords = nullptr;
    EXPECT_EQ(Find("hostfn(", true), -1);
    EXPECT_EQ(KeywordRow(ctx.get(), 900), nullptr);

    SetHost({"hostfn", "hostfnlong", "strcat", "extfn", "intcontrol"});
    AddExtender("extfn");
    AddExtender("strlen");
    AddExtender("extfnx");
    AddExtender("#");
    EXPECT_EQ(Find("hostfn(", true), 900);
    EXPECT_EQ(Find("HostFnLong(", true), 901);
    EXPECT_EQ(Find("hostfnlongest", true), -1);
    EXPECT_EQ(Find("hostfn(", false), -1); // host rows only in identifier mode
    // a built-in keyword hides extender and host rows; an extender hides a host row
    EXPECT_EQ(Find("strcat(", true), 370);
    EXPECT_EQ(Find("strlen(", true), 381);
    EXPECT_EQ(Find("extfn(", true), 3000);
    EXPECT_EQ(Find("extfnx(", true), 3002);
    EXPECT_EQ(Find("#", false), 3003);
    EXPECT_EQ(Find("#", true), 3003);
    EXPECT_EQ(Find("intcontrol(", true), 276);

    ASSERT_NE(KeywordRow(ctx.get(), 904), nullptr);
    EXPECT_STREQ(KeywordRow(ctx.get(), 904)->name, "intcontrol");
    EXPECT_EQ(KeywordRow(ctx.get(), 905), nullptr); // the end row
    EXPECT_EQ(KeywordRow(ctx.get(), 1899), nullptr);
    EXPECT_STREQ(KeywordRow(ctx.get(), 3002)->name, "extfnx");
    EXPECT_EQ(KeywordRow(ctx.get(), 3004), nullptr);
    EXPECT_EQ(KeywordRow(ctx.get(), 1900), nullptr);
    EXPECT_EQ(KeywordRow(ctx.get(), 3201), nullptr);
    ctx->extenders.row_count = 5000; // a corrupt count stays inside the rows
    EXPECT_EQ(Find("nosuchthing", true), -1);
    EXPECT_EQ(KeywordRow(ctx.get(), 3201), nullptr);
}

TEST_F(KeywordLookup, HighBytesAndDisabledRows) {
    // bytes of 0x80 and above start no built-in name; extender and host rows
    // are still searched
    EXPECT_EQ(Find("\xE9t\xE9", true), -1);
    EXPECT_EQ(Find("\xFF", false), -1);
    EXPECT_EQ(Find("\x80", false), -1);
    SetHost({"\xE9t\xE9"});
    EXPECT_EQ(Find("\xE9t\xE9(", true), 900);

    // a disabled row is still found: its use is refused by the evaluator
    KeywordEntry* rows = WritableBuiltinKeywords();
    KeywordEntry& beep = const_cast<KeywordEntry&>(*KeywordRow(nullptr, kw::Beep));
    ASSERT_GE(&beep, rows);
    beep.kind |= kind::Disabled;
    EXPECT_EQ(Find("beep", true), kw::Beep);
    EXPECT_TRUE(RowDisabled(beep));
    EXPECT_EQ(RowKind(beep), kind::Command);
    beep.kind &= ~kind::Disabled;
}
