#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/context/script_context.h"
#include "include/jol.h"
#include "lang/evaluator.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lang/variables.h"
#include "tests/unit/test_errors.h"

// The entries the library exports to hosts, which name the context by the
// public header's opaque type.
namespace {
int HostFindVar(jol::ScriptContext* ctx, const char* name) {
    return ::find_var(reinterpret_cast<JolScriptContext*>(ctx), name);
}
void HostGetToken(jol::ScriptContext* ctx) {
    ::get_token(reinterpret_cast<JolScriptContext*>(ctx));
}
} // namespace

namespace jol {
namespace {

struct Env {
    explicit Env(std::uint16_t capacity, std::uint32_t heap_size = 4000)
        : vars(capacity), heap(heap_size) {
        ctx = std::make_unique<ScriptContext>();
        ctx->vars = vars.data();
        ctx->vars_capacity = capacity;
        ctx->vars_count = 0;
        ctx->decimals = -1;
        ctx->heap.size = FormatStringHeap(heap.data(), heap.size(), heap_size);
        ctx->heap.base = heap.data();
    }
    std::uint32_t FreeTotal() const { return HeapFreeTotal(heap.data()); }
    // Runs one line as a statement with assignments allowed.
    int Run(const char* text, Value& out) {
        std::strncpy(line, text, sizeof line - 1);
        ctx->error_code = 0;
        ctx->current_line = line;
        ctx->token.cursor = line;
        HostGetToken(ctx.get());
        if (ctx->error_code) return 0;
        return ProcessSubExpression(ctx.get(), out, 1);
    }
    std::int32_t Integer(const char* text) {
        Value v;
        if (!Run(text, v)) return -9999;
        FreeValueString(ctx.get(), v);
        return v.i;
    }
    std::vector<VarEntry> vars;
    std::vector<char> heap;
    std::unique_ptr<ScriptContext> ctx;
    char line[257] = {};
};

TEST(Variables, FoldNameLowerCasesShortNamesAndFoldsLongOnes) {
    char key[31];
    FoldName("Total", key);
    EXPECT_STREQ(key, "total");
    std::string thirty(30, 'A');
    FoldName(thirty.c_str(), key);
    EXPECT_EQ(std::string(key), std::string(30, 'a'));
    // Characters after the thirtieth are added into positions 5, 6, ...
    std::string longer = std::string(30, 'a') + "\x01\x02";
    FoldName(longer.c_str(), key);
    EXPECT_EQ(static_cast<unsigned char>(key[5]), static_cast<unsigned char>('a' + 1));
    EXPECT_EQ(static_cast<unsigned char>(key[6]), static_cast<unsigned char>('a' + 2));
    EXPECT_EQ(key[7], 'a');
    EXPECT_EQ(key[30], 0);
    // 29 further characters wrap round to position 5 again.
    std::string wraps = std::string(30, 'a') + std::string(25, '\x01') + "\x03";
    FoldName(wraps.c_str(), key);
    EXPECT_EQ(static_cast<unsigned char>(key[5]), static_cast<unsigned char>('a' + 1 + 3));
    // A first character of 128 or above is kept as it is.
    FoldName("\xC4XY", key);
    EXPECT_EQ(key[0], '\xC4');
    EXPECT_EQ(key[1], 'x');
    FoldName("", key);
    EXPECT_EQ(key[0], 0);
}

TEST(Variables, NamesAreOneVariableWhateverTheirCase) {
    Env e(10);
    ScriptContext* ctx = e.ctx.get();
    SetVariable(ctx, "Total", nullptr, 1, 1);
    SetVariable(ctx, "TOTAL", nullptr, 2, 1);
    EXPECT_EQ(ctx->vars_count, 1);
    int n = HostFindVar(ctx, "total");
    ASSERT_EQ(n, 0);
    EXPECT_EQ(ctx->vars[0].i, 2);
    EXPECT_STREQ(ctx->vars[0].name, "total");
    EXPECT_EQ(LookupVariable(ctx, "ToTaL"), 0);
    // A long host name finds the same entry every time.
    std::string long_name(40, 'Q');
    SetVariable(ctx, long_name.c_str(), "x", 0, 2);
    EXPECT_GE(LookupVariable(ctx, std::string(40, 'q').c_str()), 0);
    EXPECT_EQ(ctx->vars_count, 2);
}

TEST(Variables, FindVarDistinguishesUnknownAndUnset) {
    Env e(10);
    ScriptContext* ctx = e.ctx.get();
    EXPECT_EQ(HostFindVar(ctx, "nothing"), -1);
    EXPECT_EQ(ctx->error_code, Err::VarUndefined);
    ctx->error_code = 0;
    int n = MentionVariable(ctx, "seen");
    ASSERT_EQ(n, 0);
    EXPECT_EQ(ctx->vars[0].flags, vf::Unset);
    EXPECT_EQ(ctx->vars[0].i, -1);
    EXPECT_EQ(MentionVariable(ctx, "seen"), 0); // no second entry
    EXPECT_EQ(HostFindVar(ctx, "seen"), -1);
    EXPECT_EQ(ctx->error_code, Err::VarUnset);
    ctx->error_code = 0;
    char buf[40] = "old";
    EXPECT_EQ(GetVariableText(ctx, "seen", buf, sizeof buf), 0);
    EXPECT_EQ(ctx->error_code, 0);

    // The exported entries, called by a host with the code its last run
    // left pending: a failure is reported in its place, a success keeps it.
    ReplaceError(ctx, Err::StopExit);
    EXPECT_EQ(HostFindVar(ctx, "nothing"), -1);
    EXPECT_EQ(ctx->error_code, Err::VarUndefined);
    ReplaceError(ctx, Err::StopExit);
    EXPECT_EQ(HostFindVar(ctx, "seen"), -1);
    EXPECT_EQ(ctx->error_code, Err::VarUnset);
    SetVariable(ctx, "known", nullptr, 7, 1);
    ReplaceError(ctx, Err::StopExit);
    EXPECT_GE(HostFindVar(ctx, "known"), 0);
    EXPECT_EQ(ctx->error_code, Err::StopExit);
    char line[] = "known $";
    ctx->token.cursor = line;
    HostGetToken(ctx);
    EXPECT_EQ(ctx->token.cls, TokenClass::Variable);
    EXPECT_EQ(ctx->error_code, Err::StopExit);
    HostGetToken(ctx);
    EXPECT_EQ(ctx->error_code, Err::Unrecognizable);
    ClearError(ctx);
}

TEST(Variables, TableFullFailsWithoutPassingTheCapacity) {
    Env e(10);
    ScriptContext* ctx = e.ctx.get();
    char name[8];
    for (int i = 0; i < 9; ++i) {
        std::snprintf(name, sizeof name, "v%d", i);
        ASSERT_EQ(MentionVariable(ctx, name), i);
    }
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(MentionVariable(ctx, "tenth"), -1);
    EXPECT_EQ(ctx->error_code, Err::VariableMemory);
    EXPECT_EQ(ctx->vars_count, 9);
    ctx->error_code = 0;
    EXPECT_EQ(MentionVariable(ctx, "another"), -1);
    EXPECT_EQ(ctx->vars_count, 9);
    ctx->error_code = 0;
    EXPECT_EQ(MentionVariable(ctx, "v3"), 3); // known names still work
    Value v;
    EXPECT_EQ(e.Run("1 + newname", v), 0); // a mention in a script line
    EXPECT_EQ(ctx->error_code, Err::VariableMemory);
    EXPECT_EQ(ctx->vars_count, 9);
    ctx->error_code = 0;

    // SetVariable of a new name: nothing is kept, not even the string.
    std::uint32_t before = e.FreeTotal();
    SetVariable(ctx, "newname", "text", 0, 2);
    EXPECT_EQ(ctx->error_code, Err::VariableMemory);
    EXPECT_EQ(e.FreeTotal(), before);
    EXPECT_EQ(ctx->vars_count, 9);

    // A table without entries.
    Env none(0);
    EXPECT_EQ(MentionVariable(none.ctx.get(), "a"), -1);
    EXPECT_EQ(none.ctx->error_code, Err::VariableMemory);
    EXPECT_EQ(none.ctx->vars_count, 0);
}

TEST(Variables, DropShrinksOnlyAtTheEndAndFreedEntriesAreReused) {
    Env e(10);
    ScriptContext* ctx = e.ctx.get();
    std::uint32_t empty = e.FreeTotal();
    SetVariable(ctx, "a", "alpha", 0, 2);
    SetVariable(ctx, "b", nullptr, 2, 1);
    SetVariable(ctx, "c", "gamma", 0, 2);
    ASSERT_EQ(ctx->vars_count, 3);
    DropVariable(ctx, 2);
    EXPECT_EQ(ctx->vars_count, 2);
    DropVariable(ctx, 0);
    EXPECT_EQ(ctx->vars_count, 2);
    EXPECT_EQ(ctx->vars[0].flags, 0u);
    EXPECT_EQ(ctx->vars[0].name[0], 0);
    EXPECT_EQ(e.FreeTotal(), empty);
    EXPECT_EQ(LookupVariable(ctx, "a"), -1);
    EXPECT_EQ(MentionVariable(ctx, "d"), 0); // the freed entry
    EXPECT_EQ(ctx->vars_count, 2);
}

TEST(Variables, TextOfEachKindIsBoundedByTheBuffer) {
    Env e(10);
    ScriptContext* ctx = e.ctx.get();
    SetVariable(ctx, "s", "hello world", 0, 2);
    SetVariable(ctx, "n", nullptr, -42, 1);
    SetVariable(ctx, "empty", nullptr, 0, 2);
    SetVariable(ctx, "ignored", "x", 0, 3);
    EXPECT_EQ(LookupVariable(ctx, "ignored"), -1);
    char buf[64];
    ASSERT_EQ(GetVariableText(ctx, "S", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "hello world");
    ASSERT_EQ(GetVariableText(ctx, "n", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "-42");
    ASSERT_EQ(GetVariableText(ctx, "empty", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "");
    ASSERT_EQ(GetVariableText(ctx, "s", buf, 6), 1);
    EXPECT_STREQ(buf, "hello");
    Value f;
    f.f = 2.0;
    f.flags = vf::Float;
    int n = MentionVariable(ctx, "f");
    ASSERT_EQ(AssignVariable(ctx, n, f), 1);
    ASSERT_EQ(GetVariableText(ctx, "f", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "2.");
    EXPECT_EQ(GetVariableText(ctx, "missing", buf, sizeof buf), 0);
    EXPECT_EQ(ctx->error_code, 0);
    // Replacing a string frees the old one.
    std::uint32_t before = e.FreeTotal();
    SetVariable(ctx, "s", "tiny", 0, 2);
    EXPECT_EQ(e.FreeTotal(), before);
}

TEST(Variables, AssignmentCopiesFreesAndHandsOverObjects) {
    Env e(10, 200); // 148 bytes of heap
    ScriptContext* ctx = e.ctx.get();
    std::uint32_t empty = e.FreeTotal();
    int x = MentionVariable(ctx, "x");
    Value s;
    s.str = HeapCopyText(ctx, "abc");
    s.flags = vf::String;
    ASSERT_EQ(AssignVariable(ctx, x, s), 1);
    EXPECT_NE(ctx->vars[x].str, s.str); // a copy of its own
    EXPECT_STREQ(HeapText(ctx, ctx->vars[x].str), "abc");
    EXPECT_EQ(ctx->last_assigned_var, x);
    FreeValueString(ctx, s);

    // No heap for the copy: StringMemory, and the variable holds the integer 0.
    std::string big(70, 'b');
    Value t;
    t.str = HeapCopyText(ctx, big.c_str());
    ASSERT_NE(t.str, 0);
    t.flags = vf::String;
    EXPECT_EQ(AssignVariable(ctx, x, t), 0);
    EXPECT_EQ(ctx->error_code, Err::StringMemory);
    EXPECT_EQ(ctx->vars[x].flags, vf::Integer);
    EXPECT_EQ(ctx->vars[x].i, 0);
    EXPECT_EQ(ctx->vars[x].str, 0);
    FreeValueString(ctx, t);
    ctx->error_code = 0;
    EXPECT_EQ(e.FreeTotal(), empty);

    // An object value belongs to the variable afterwards; releasing it
    // needs the automation bridge, which is not loaded.
    Value obj;
    obj.i = 77;
    obj.flags = vf::Object | vf::Integer;
    ASSERT_EQ(AssignVariable(ctx, x, obj), 1);
    EXPECT_EQ(obj.flags, vf::Integer);
    EXPECT_EQ(ctx->vars[x].flags, vf::Object | vf::Integer);
    Value one;
    one.i = 1;
    one.flags = vf::Integer;
    AssignVariable(ctx, x, one);
    EXPECT_EQ(ctx->error_code, Err::ObjectsNotInitialized);
    EXPECT_EQ(ctx->vars[x].i, 1);
}

TEST(Variables, DropAndIsDefinedInExpressions) {
    Env e(10);
    ScriptContext* ctx = e.ctx.get();
    std::uint32_t empty = e.FreeTotal();
    EXPECT_EQ(e.Integer("IsDefined(neverUsed)"), 0);
    int n = LookupVariable(ctx, "neverused");
    ASSERT_GE(n, 0); // reading the name created an unset entry
    EXPECT_EQ(ctx->vars[n].flags, vf::Unset);
    EXPECT_EQ(e.Integer("neverUsed = 5"), 5);
    EXPECT_EQ(e.Integer("IsDefined(neverUsed)"), 1);
    EXPECT_EQ(e.Integer("Drop(neverUsed)"), 1);
    EXPECT_EQ(e.Integer("IsDefined(neverUsed)"), 0);

    EXPECT_EQ(e.Integer("a = \"one\""), -7777);
    EXPECT_EQ(e.Integer("b = \"two\""), -7777);
    EXPECT_EQ(e.Integer("Drop(a, b, notthere)"), 1);
    EXPECT_EQ(LookupVariable(ctx, "a"), -1);
    EXPECT_EQ(e.FreeTotal(), empty);

    Value v;
    EXPECT_EQ(e.Run("Drop(1)", v), 0);
    EXPECT_EQ(ctx->error_code, Err::DropNotVariable);
    EXPECT_EQ(e.Run("IsDefined(\"a\")", v), 0);
    EXPECT_EQ(ctx->error_code, Err::IsDefinedNotVariable);
    EXPECT_EQ(e.Run("Drop(a b)", v), 0);
    EXPECT_EQ(ctx->error_code, Err::ArgumentCount);
    EXPECT_EQ(e.Run("IsDefined(a, b)", v), 0);
    EXPECT_EQ(ctx->error_code, Err::ArgumentCount);
    EXPECT_EQ(e.Run("Drop a", v), 0);
    EXPECT_EQ(ctx->error_code, Err::OpenParenMissing);
    EXPECT_EQ(e.Run("IsDefined(a", v), 0);
    EXPECT_EQ(ctx->error_code, Err::ArgumentCount);
    EXPECT_EQ(e.FreeTotal(), empty);
}

} // namespace
} // namespace jol
