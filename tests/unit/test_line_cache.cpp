// The line cache of the fast paths: a script run with the fast paths on
// leaves exactly what the plain paths leave, also where the cached lines or
// tokens go stale (jump records written into the block, a host that
// rewrites its keyword table, a variable table that fills up halfway
// through a line, lines that raise errors every time they run).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "lang/fast/line_cache.h"
#include "lang/fast/speedups.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "platform/memory.h"
#include "tests/unit/script_rig.h"
#include "tests/unit/test_errors.h"

namespace {

using test::ScriptRig;

// Everything a run leaves that the fast paths may not change.
struct Outcome {
    int ran = 0;
    int error = 0;
    int result = 0;
    int line_start = 0;
    std::string vars; // index, flags, name and text of each entry in order
    std::uint32_t heap_free = 0;
    // The token state the last statement left (not its entry hint), when it
    // did not fail: a failed expression leaves its tokens wherever reading
    // stopped, which the fast paths do not follow.
    std::string token;
};

bool operator==(const Outcome& a, const Outcome& b) {
    return a.ran == b.ran && a.error == b.error && a.result == b.result &&
           a.line_start == b.line_start && a.vars == b.vars && a.heap_free == b.heap_free &&
           a.token == b.token;
}

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "ran " << o.ran << " error " << o.error << " result " << o.result << " at "
              << o.line_start << " heap " << o.heap_free << " token " << o.token << "\n"
              << o.vars;
}

jol::KeywordEntry g_host_rows[3];
int g_lines = 0;

void ResetHostRows() {
    std::memset(g_host_rows, 0, sizeof g_host_rows);
    g_host_rows[0] = jol::KeywordEntry{900, jol::kind::Function, {0, 0, 0, 0}, 3, "bar"};
}

// Line notifications: at the fourth line the host renames its function
// "bar" to "foo", as a host may do whenever its code runs.
std::int32_t JOL_STDCALL RenamingHost(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                      jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg a8,
                                      jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    const char* text = reinterpret_cast<const char*>(a8);
    if (request == jol::notify::Poll && text && !std::strcmp(text, "2") && ++g_lines == 4)
        std::memcpy(g_host_rows[0].name, "foo", 4);
    return 0;
}

// Line notifications: at line g_fill_at the host takes every free block of
// the string heap that holds 64 bytes.
char* g_heap = nullptr;
int g_fill_at = 0;
std::int32_t JOL_STDCALL FillingHost(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                     jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg a8,
                                     jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    const char* text = reinterpret_cast<const char*>(a8);
    if (request == jol::notify::Poll && text && !std::strcmp(text, "2") && --g_fill_at == 0)
        while (jol::VMalloc(g_heap, 64) != 0) {
        }
    return 0;
}

// Line notifications: at line g_rename_at the host renames the variable
// "a" to "z" in its table, as a host may whenever its code runs.
jol::VarEntry* g_vars = nullptr;
int g_rename_at = 0;
std::int32_t JOL_STDCALL VariableRenamingHost(jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                              jol::ExtArg request, jol::ExtArg, jol::ExtArg,
                                              jol::ExtArg, jol::ExtArg a8, jol::ExtArg, jol::ExtArg,
                                              jol::ExtArg, jol::ExtArg) {
    const char* text = reinterpret_cast<const char*>(a8);
    if (request == jol::notify::Poll && text && !std::strcmp(text, "2") && --g_rename_at == 0)
        for (int i = 0; i < 200; ++i)
            if (!std::strcmp(g_vars[i].name, "a")) g_vars[i].name[0] = 'z';
    return 0;
}

// Line notifications: at line g_rewrite_at the host writes "2" over the
// first "1" after the text g_rewrite_after in its script block.
plat::MemHandle g_block = 0;
int g_rewrite_at = 0;
const char* g_rewrite_after = "";
std::int32_t JOL_STDCALL BlockRewritingHost(jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                            jol::ExtArg request, jol::ExtArg, jol::ExtArg,
                                            jol::ExtArg, jol::ExtArg a8, jol::ExtArg, jol::ExtArg,
                                            jol::ExtArg, jol::ExtArg) {
    const char* text = reinterpret_cast<const char*>(a8);
    if (request != jol::notify::Poll || !text || std::strcmp(text, "2") || --g_rewrite_at != 0)
        return 0;
    if (char* bytes = static_cast<char*>(plat::mem_lock(g_block))) {
        if (char* at = std::strstr(bytes, g_rewrite_after))
            if (char* one = std::strchr(at, '1')) *one = '2';
        plat::mem_unlock(g_block);
    }
    return 0;
}

// Runs the script in a fresh environment with the fast paths on or off.
Outcome RunWith(bool fast, const std::string& script, unsigned var_entries = 200,
                jol::ExtenderEntry callback = nullptr, const jol::KeywordEntry* host = nullptr,
                std::uint32_t hooks = 0, unsigned heap_bytes = 16384) {
    jol::SetSpeedupsForTesting(fast ? jol::speedup::All : 0);
    ScriptRig rig(var_entries, heap_bytes);
    Outcome o;
    if (!rig.ok()) return o;
    g_heap = rig.Bind()->heap.base; // the blocks stay where they are for the run
    g_vars = rig.Bind()->vars;
    rig.Unbind();
    rig.Lock()->hook_flags = hooks;
    rig.Unlock();
    plat::MemHandle block = ScriptRig::Block(script);
    g_block = block;
    o.ran = ProcessDaBatBuffer(0, rig.context(), block, callback,
                               reinterpret_cast<const JolKeywordEntry*>(host));
    plat::mem_free(block);
    const jol::LastRun last = rig.LastRun();
    o.error = last.error;
    o.result = last.result;
    o.line_start = last.line_start;
    jol::ScriptContext* ctx = rig.Bind();
    // (read first: reading the variables below uses the token state)
    const jol::TokenState& t = ctx->token;
    if (o.error == 0 || jol::IsStopCode(o.error))
        o.token = std::to_string(static_cast<int>(t.cls)) + " " + std::to_string(t.id) + " [" +
                  t.text + "] name [" + t.name + "]";
    for (int i = 0; i < ctx->vars_count; ++i) {
        char text[4096];
        if (!jol::GetVariableText(ctx, ctx->vars[i].name, text, sizeof text))
            std::strcpy(text, "<none>");
        char head[32];
        std::snprintf(head, sizeof head, "%d %u ", i, static_cast<unsigned>(ctx->vars[i].flags));
        o.vars += head;
        o.vars += ctx->vars[i].name;
        o.vars += "=";
        o.vars += text;
        o.vars += "\n";
    }
    o.heap_free = jol::HeapFreeTotal(ctx->heap.base);
    rig.Unbind();
    return o;
}

class LineCache : public ::testing::Test {
protected:
    void TearDown() override { jol::SetSpeedupsForTesting(jol::speedup::All); }

    // The outcome of both paths, which must agree; the fast one.
    Outcome Both(const std::string& script, unsigned var_entries = 200,
                 unsigned heap_bytes = 16384) {
        const Outcome plain = RunWith(false, script, var_entries, nullptr, nullptr, 0, heap_bytes);
        const Outcome fast = RunWith(true, script, var_entries, nullptr, nullptr, 0, heap_bytes);
        EXPECT_EQ(plain, fast) << script;
        return fast;
    }

    // The same with a host callback that hears of every line: reset puts
    // the callback's state back before each of the two runs.
    template <typename Reset>
    Outcome BothWithHost(const std::string& script, jol::ExtenderEntry callback, Reset reset,
                         const jol::KeywordEntry* host = nullptr) {
        reset();
        const Outcome plain = RunWith(false, script, 200, callback, host, 2);
        reset();
        const Outcome fast = RunWith(true, script, 200, callback, host, 2);
        EXPECT_EQ(plain, fast) << script;
        return fast;
    }
};

TEST_F(LineCache, LoopsGiveThePlainResults) {
    Outcome o = Both("i = 0\r\nsum = 0\r\ns = \"\"\r\nWhile i < 50\r\n   sum = sum + i mod 7\r\n"
                     "   If sum > 100 Then s = StrCat(s, \"x\", 'y''z', `q`)\r\n"
                     "   f = 1.5e2 + i / 4\r\n   i = i + 1\r\nEndWhile\r\n");
    EXPECT_NE(o.vars.find("sum=147"), std::string::npos) << o;
    o = Both("n = 0\r\nFor i = 1 To 30 By 2\r\n   If i mod 3 == 0\r\n      n = n + 2\r\n"
             "   Else\r\n      n = n - 1\r\n   EndIf\r\nNext\r\n"
             "Switch n\r\nCase 0\r\n  m = 1\r\nEndSwitch\r\n");
    EXPECT_NE(o.vars.find("n=0"), std::string::npos) << o;
}

// A loop body longer than the cache: entries are refilled with other lines
// all the time, and a refilled entry never leads to the line that followed
// the line it held before.
TEST_F(LineCache, ALoopLongerThanTheCacheRunsEachLineAsItself) {
    std::string script = "n = 0\r\nr = 0\r\nWhile r < 4\r\n";
    long long sum = 0;
    for (int k = 1; k <= 400; ++k) {
        script += "   n = n + " + std::to_string(k % 2 ? k : -k / 2) + "\r\n";
        sum += k % 2 ? k : -k / 2;
    }
    script += "   r = r + 1\r\nEndWhile\r\n";
    const Outcome o = Both(script);
    EXPECT_NE(o.vars.find("n=" + std::to_string(4 * sum) + "\n"), std::string::npos) << o;
}

TEST_F(LineCache, JumpRecordsWrittenIntoTheBlockAreSeen) {
    // The GOTO and GOSUB lines are rewritten with jump records at their
    // first run; the later fetches of those lines must see the records.
    const Outcome o = Both("k = 0\r\nm = 0\r\n:top\r\nk = k + 1\r\nIf k < 5 Then Goto top\r\n"
                           "For j = 1 To 3\r\n   Gosub add\r\nNext\r\nExit\r\n"
                           ":add\r\nm = m + k\r\nReturn\r\n");
    EXPECT_NE(o.vars.find("k=5"), std::string::npos) << o;
    EXPECT_NE(o.vars.find("m=15"), std::string::npos) << o;
}

TEST_F(LineCache, ErrorsAndMentionsHappenWhereThePlainTokenizerHasThem) {
    // Names are created as they are read, so a full table fails at the same
    // name of the same line; a line that fails in its middle fails every
    // time it runs, with nothing after the failure read; failures in lines
    // that are passed over are ignored each time.
    Outcome o = Both("i = 0\r\nWhile i < 20\r\n   i = i + 1\r\n"
                     "   t = IsDefined(p) + IsDefined(r) + IsDefined(s)\r\n   Drop(p, r)\r\n"
                     "   a%i% = i\r\nEndWhile\r\n",
                     9);
    EXPECT_EQ(o.error, jol::Err::VariableMemory) << o;
    o = Both("ErrorMode(@off)\r\ni = 0\r\nWhile i < 4\r\n   i = i + 1\r\n   If i > 100\r\n"
             "      1.2.3 = 4\r\n      1e5e $ = 2\r\n      x = 1 + y1.2.3\r\n   EndIf\r\n"
             "   Switch i\r\n   Case 1.2.3\r\n      a = 1\r\n   Case 2\r\n      b = 1\r\n"
             "   EndSwitch\r\n   w = 2 ** -1 + undefinedname\r\nEndWhile\r\n"
             "abcdefghijabcdefghijabcdefghijk = i\r\n");
    EXPECT_EQ(o.error, jol::Err::NameTooLong) << o;
    EXPECT_EQ(o.vars.find("undefinedname"), std::string::npos) << o;
    o = Both("i = 0\r\nv = 0\r\nWhile i < 3\r\n   i = i + 1\r\n   Execute v = v + i\r\n"
             "   Execute w%i% = %i%\r\nEndWhile\r\n");
    EXPECT_NE(o.vars.find("v=6"), std::string::npos) << o;
}

TEST_F(LineCache, HostKeywordRowsRewrittenDuringTheRunAreSeen) {
    // "foo" is a variable until the host renames its function row; from
    // then on it is the host's function, used without parentheses.
    const std::string script = "n = 0\r\nWhile n < 4\r\n   n = n + 1\r\n   x = foo\r\nEndWhile\r\n";
    const Outcome fast = BothWithHost(
        script, &RenamingHost,
        [] {
            ResetHostRows();
            g_lines = 0;
        },
        g_host_rows);
    EXPECT_NE(fast.error, 0) << fast;
}

TEST_F(LineCache, VariableNamesChangedBetweenRunsOfALineAreSeen) {
    // The host renames "a" between two runs of the loop body: from then on
    // "a" is a new, unset name, as the plain lookup finds.
    const std::string script =
        "a = 1\r\nn = 0\r\nWhile n < 6\r\n   b = a + n\r\n   n = n + 1\r\nEndWhile\r\n";
    const Outcome fast = BothWithHost(script, &VariableRenamingHost, [] { g_rename_at = 9; });
    EXPECT_NE(fast.vars.find("z=1"), std::string::npos) << fast;
    EXPECT_NE(fast.error, 0) << fast;
    // A name dropped and its entry taken by another name, then the name
    // given again (a new entry), and names made by substitution and by
    // EXECUTE in the loop: the lines that ran before read the entries the
    // plain lookup finds.
    Outcome o = Both("a = 1\r\nb = 2\r\nn = 0\r\nWhile n < 5\r\n   c = a + b\r\n"
                     "   If n == 2 Then Drop(a)\r\n   If n == 2 Then q = 9\r\n"
                     "   If n == 2 Then a = 5\r\n   v%n% = a * 2\r\n   Execute w = a + c\r\n"
                     "   n = n + 1\r\nEndWhile\r\n");
    EXPECT_NE(o.vars.find("q=9"), std::string::npos) << o;
    EXPECT_NE(o.vars.find("c=7"), std::string::npos) << o;
}

TEST_F(LineCache, AScriptBlockRewrittenByTheHostBetweenLinesIsReadAgain) {
    // From the host's rewrite on, the loop body adds 2: the lines fetched
    // before are not served from what the block held then.
    const std::string script =
        "n = 0\r\nk = 0\r\nWhile k < 6\r\n   n = n + 1\r\n   k = k + 1\r\nEndWhile\r\n";
    const Outcome fast = BothWithHost(script, &BlockRewritingHost, [] {
        g_rewrite_after = "n = n";
        g_rewrite_at = 9;
    });
    EXPECT_NE(fast.vars.find("n=10"), std::string::npos) << fast;
}

TEST_F(LineCache, TheSameBytesInAnotherBlockOrPlaceAreFetchedAgain) {
    // Two runs of different scripts whose blocks may get the same handle,
    // and a line whose text repeats at other offsets.
    Both("a = 1\r\nb = 2\r\n");
    Both("a = 3\r\nc = a\r\na = 3\r\nc = c + a\r\n");
    const Outcome o = Both("a = 5\r\n");
    EXPECT_NE(o.vars.find("a=5"), std::string::npos) << o;
}

} // namespace

TEST_F(LineCache, ExpressionProgramsLeaveWhatTheEvaluatorLeaves) {
    // Lines whose programs run from the second round on, while the values
    // they read change type under them: strings, numbers in strings,
    // floats, file-handle-like integers, dropped names.
    Outcome o =
        Both("a = 6\r\nh = 1\r\nb = \"abc\"\r\nn = 0\r\nc = 0\r\nWhile n < 9\r\n"
             "   If b == \"abc\" Then c = c + 1\r\n"
             "   r = (a + n) * 3 mod 7 - (n << 1) ^ 2\r\n   s = b\r\n"
             "   q = s <> \"abd\" && a >= 6 || n == 4\r\n   n = n + 1\r\n"
             "   g = h * 2 + n\r\n   If n == 2 Then b = \"12\"\r\n   If n == 3 Then h = 2.5\r\n"
             "   If n == 4 Then a = \" 7\"\r\n   If n == 5 Then Drop(s)\r\n"
             "   If n == 6 Then b = 7\r\nEndWhile\r\n");
    EXPECT_NE(o.vars.find("c=2"), std::string::npos) << o;
    // An operator that fails in a later round: the error, the cleared
    // target and the heap are those of the evaluator.
    o = Both("a = 1\r\nb = 2\r\nn = 0\r\nWhile n < 5\r\n   x = \"k\"\r\n"
             "   x = (a + b) * 2 + b\r\n   n = n + 1\r\n   If n == 3 Then b = \"oops\"\r\n"
             "EndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::NoNumber) << o;
    // Operand copies that no longer fit the string heap, and a division by
    // zero met after the line ran well.
    o = Both("s = \"x\"\r\nWhile StrLen(s) < 3000\r\n   s = StrCat(s, s)\r\nEndWhile\r\n"
             "t = s\r\nn = 0\r\nWhile n < 4\r\n   If s == t Then n = n + 1\r\n"
             "   u = s\r\nEndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::StringMemory) << o;
    o = Both("d = 3\r\nk = 0\r\nWhile k < 5\r\n   s = 60 / d + k\r\n   d = d - 1\r\n"
             "   k = k + 1\r\nEndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::DivideByZero) << o;
    // Integer-only programs at the edges of the arithmetic: wrap-around,
    // the smallest integer divided by -1, and a zero divisor met in the
    // third round.
    o = Both("m = -2147483647 - 1\r\nk = 0\r\nWhile k < 4\r\n   a = m / -1 + k\r\n"
             "   b = m mod -1 - k\r\n   c = m * 3 + 2147483647 * k\r\n"
             "   d = (m - 1) / 7 mod 5 << k\r\n   f = 9 / (2 - k)\r\n   k = k + 1\r\n"
             "EndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::DivideByZero) << o;
    EXPECT_NE(o.vars.find("a=-2147483646"), std::string::npos) << o;
}

TEST_F(LineCache, ExpressionProgramsCallFunctionsAsTheDispatcherDoes) {
    // Calls of string and item functions inside loop lines, with values
    // changing type under them.
    Outcome o = Both("s = \"abcdefgh\"\r\nl = \"a b c d\"\r\nn = 0\r\ni = 0\r\nWhile i < 6\r\n"
                     "   t = StrSub(s, i, 3)\r\n"
                     "   n = n + StrLen(StrUpper(t)) + ItemCount(l, \" \")\r\n"
                     "   u = ItemExtract(i + 1, l, \" \")\r\n   w = StrFix(u, \"-\", i + 2)\r\n"
                     "   If i == 2 Then s = 12345\r\n   If i == 3 Then l = \"\"\r\n"
                     "   i = i + 1\r\nEndWhile\r\n");
    EXPECT_NE(o.vars.find("n=25"), std::string::npos) << o;
    // A call that fails in a later round, inside another call's argument
    // list and as the right side of a comparison whose left side is a
    // string: the error, the cleared target and the heap are those of the
    // evaluator.
    o = Both("n = 10\r\nk = 0\r\nWhile k < 4\r\n   x = \"a\"\r\n"
             "   x = StrLen(StrFill(\"ab\", n)) + 1\r\n   If k == 1 Then n = 70000\r\n"
             "   k = k + 1\r\nEndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::StringMemory) << o;
    o = Both("s = \"abc\"\r\nn = 10\r\nk = 0\r\nWhile k < 4\r\n"
             "   q = s == StrFill(\"ab\", n)\r\n   If k == 1 Then n = 70000\r\n"
             "   k = k + 1\r\nEndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::StringMemory) << o;
}

TEST_F(LineCache, ExpressionProgramsJoinAsStrCatDoes) {
    // StrCat inside loop lines: numbers, floats and strings joined, lists
    // inside other calls and inside each other, results that outgrow the
    // first block, values changing type under the line.
    Outcome o =
        Both("s = \"ab\"\r\nf = 1.5\r\nn = 0\r\nt = \"\"\r\nWhile n < 8\r\n"
             "   u = StrCat(s, n, \"-\", f)\r\n"
             "   t = StrCat(t, StrCat(\"<\", StrSub(u, 1, 2), \">\"), StrFill(\"z\", n * 9))\r\n"
             "   k = StrLen(StrCat(u, u)) + n\r\n"
             "   If n == 3 Then f = \"x\"\r\n   If n == 5 Then s = 42\r\n"
             "   n = n + 1\r\nEndWhile\r\n");
    EXPECT_NE(o.vars.find("u=427-x"), std::string::npos) << o;
    // An argument that fails in a later round, with strings pending on both
    // sides of it, and a StrCat that is itself an argument.
    o = Both("d = 3\r\nk = 0\r\nWhile k < 5\r\n   x = \"q\"\r\n"
             "   x = StrCat(\"a\", k, 60 / d, StrUpper(\"b\")) == \"z\"\r\n"
             "   y = StrLen(StrCat(x, 60 / d))\r\n   d = d - 1\r\n   k = k + 1\r\nEndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::DivideByZero) << o;
    // Joins that no longer fit the heap as they grow, alone and beside a
    // string that takes half of it.
    o = Both("s = \"x\"\r\nWhile 1\r\n   s = StrCat(s, s, \"y\")\r\nEndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::StringMemory) << o;
    o = Both("a = StrFill(\"x\", 8000)\r\nb = \"\"\r\nn = 0\r\nWhile n < 40\r\n"
             "   c = StrCat(n, \"k\")\r\n   b = StrCat(b, StrFill(\"w\", 200))\r\n"
             "   n = n + 1\r\nEndWhile\r\n");
    EXPECT_EQ(o.error, jol::Err::StringMemory) << o;
}

TEST_F(LineCache, ExpressionProgramsFailAsStrCatDoesWhenItsFirstBlockIsMissing) {
    // The host takes every block of 64 bytes or more at the eighth line
    // (the script has run StrCat twice): the third StrCat finds no room for
    // its first block, while its arguments would still fit.
    const std::string script = "n = 0\r\nWhile n < 5\r\n   c = StrLen(StrCat(\"k\", n * 10))\r\n"
                               "   n = n + 1\r\nEndWhile\r\n";
    const Outcome fast = BothWithHost(script, &FillingHost, [] { g_fill_at = 8; });
    g_fill_at = 0;
    EXPECT_EQ(fast.error, jol::Err::StringMemory) << fast;
    EXPECT_NE(fast.vars.find("n=2"), std::string::npos) << fast;
}

// Lines of one long block go in and out of the cache: every line kept is
// found with its own text, a loop body of a hundred lines is kept whole, and
// one longer than the cache keeps most of its lines instead of none.
TEST(LineCacheIndex, KeepsWhatIsFetchedAgainAndFindsEachLineAsItself) {
    jol::ClearLineCache();
    std::string text;
    std::vector<std::uint16_t> starts;
    for (int n = 0; n < 1000; ++n) {
        starts.push_back(static_cast<std::uint16_t>(text.size()));
        text += "x" + std::to_string(n) + " = " + std::to_string(n) + "\r";
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto length = static_cast<std::uint16_t>(text.size());
    const plat::MemHandle block = 77;
    const auto line_of = [&](int n) { return "x" + std::to_string(n) + " = " + std::to_string(n); };
    const auto fetch = [&](int n) {
        const std::uint16_t from = starts[static_cast<std::size_t>(n)];
        if (jol::CachedLine* e = jol::FindFetchedLine(block, length, from, bytes)) return e;
        const auto to = static_cast<std::uint16_t>(from + line_of(n).size() + 1);
        return jol::RememberFetchedLine(block, length, from, to, from, bytes, line_of(n).c_str());
    };
    // One line fetched between every other, refilled or not, is itself.
    for (int n = 1; n < 1000; ++n) {
        ASSERT_STREQ(fetch(0)->line, line_of(0).c_str());
        ASSERT_STREQ(fetch(n)->line, line_of(n).c_str());
    }
    // A body of 300 lines run 10 times: most fetches of the later rounds
    // are found.
    int found = 0;
    for (int round = 0; round < 10; ++round)
        for (int n = 0; n < 300; ++n) {
            if (round >= 5 && jol::FindFetchedLine(block, length, starts[n], bytes)) ++found;
            ASSERT_STREQ(fetch(n)->line, line_of(n).c_str());
        }
    EXPECT_GT(found, 5 * 300 / 2);
    // A body of 100 lines run 15 times: after the first rounds (which refill
    // what the new lines took) every fetch is found, each as itself.
    for (int round = 0; round < 10; ++round)
        for (int n = 500; n < 600; ++n)
            fetch(n);
    for (int round = 0; round < 5; ++round)
        for (int n = 500; n < 600; ++n) {
            jol::CachedLine* e = jol::FindFetchedLine(block, length, starts[n], bytes);
            ASSERT_NE(e, nullptr) << n;
            ASSERT_STREQ(e->line, line_of(n).c_str());
        }
    // Whatever else is found is itself; another block's lines at the same
    // offsets are not found.
    for (int n = 0; n < 1000; ++n) {
        if (jol::CachedLine* e = jol::FindFetchedLine(block, length, starts[n], bytes)) {
            ASSERT_STREQ(e->line, line_of(n).c_str());
        }
        ASSERT_EQ(jol::FindFetchedLine(block + 1, length, starts[n], bytes), nullptr);
    }
    jol::ClearLineCache();
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(jol::FindFetchedLine(block, length, starts[n], bytes), nullptr);
}

// A thread that runs a script and ends frees the line cache it made (the
// leak check of the sanitizer builds sees it too).
TEST_F(LineCache, AThreadThatEndsFreesItsLineCache) {
    const int before = jol::LiveLineCaches();
    Outcome o;
    std::thread run([&] {
        o = RunWith(true, "a = 0\r\nwhile a < 5\r\n  a = a + 1\r\nendwhile\r\n");
        EXPECT_EQ(jol::LiveLineCaches(), before + 1);
    });
    run.join();
    EXPECT_EQ(o.error, 0) << o;
    EXPECT_NE(o.vars.find("a=5"), std::string::npos) << o;
    EXPECT_EQ(jol::LiveLineCaches(), before);

    // A context that ran on a thread that has ended runs again on another:
    // nothing of the freed cache is read.
    ScriptRig rig(200, 16384);
    ASSERT_TRUE(rig.ok());
    // (no line end after the last line: no fetch after it notes that none
    // was found)
    const std::string script = "a = 1\r\nb = a + 1";
    auto run_once = [&] {
        plat::MemHandle block = ScriptRig::Block(script);
        ProcessDaBatBuffer(0, rig.context(), block, nullptr, nullptr);
        plat::mem_free(block);
    };
    std::thread first(run_once);
    first.join();
    run_once();
    const jol::LastRun last = rig.LastRun();
    EXPECT_EQ(last.error, 0);
}

// JOL_NO_SPEEDUPS: empty or "0" leaves every speed-up on, "all" and "1"
// switch all off, a list switches off the ones it names, in any case.
TEST(Speedups, TheSwitchNamesTheSpeedupsToLeaveOff) {
    using namespace jol::speedup;
    EXPECT_EQ(jol::SpeedupsLeftOn(nullptr), All);
    EXPECT_EQ(jol::SpeedupsLeftOn(""), All);
    EXPECT_EQ(jol::SpeedupsLeftOn("0"), All);
    EXPECT_EQ(jol::SpeedupsLeftOn("1"), 0u);
    EXPECT_EQ(jol::SpeedupsLeftOn("all"), 0u);
    EXPECT_EQ(jol::SpeedupsLeftOn("ALL"), 0u);
    EXPECT_EQ(jol::SpeedupsLeftOn("lines"), All & ~Lines);
    EXPECT_EQ(jol::SpeedupsLeftOn("Tokens,programs"), All & ~(Tokens | Programs));
    EXPECT_EQ(jol::SpeedupsLeftOn("variables,,keywords,for"),
              All & ~(Variables | Keywords | IntegerFor));
    EXPECT_EQ(jol::SpeedupsLeftOn("line,forx,programs"), All & ~Programs);
    for (int k = 0; k < kCount; ++k)
        EXPECT_EQ(jol::SpeedupsLeftOn(kNames[k]), All & ~(1u << k)) << kNames[k];
}
