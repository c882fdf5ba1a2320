// Script blocks: line fetching, UTF-16 conversion, loading script files,
// the parameters of Call and Call itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/call.h"
#include "platform/memory.h"
#include "tests/unit/script_rig.h"
#include "tests/unit/test_errors.h"

namespace {

using test::ScriptRig;
using test::Utf16;

struct Fetched {
    std::vector<std::string> lines;
    std::vector<unsigned> starts;
};

// Fetches every line of the block from offset 0 (text_length bytes of it).
Fetched FetchAll(jol::ScriptContext* ctx, plat::MemHandle block, std::size_t text_length) {
    Fetched f;
    jol::RunCursor cur;
    cur.block = block;
    cur.text_length = static_cast<std::uint16_t>(text_length);
    char line[jol::kTextSize];
    while (jol::GetNextLine(ctx, line, sizeof line, cur)) {
        f.lines.push_back(line);
        f.starts.push_back(cur.line_start);
        if (f.lines.size() > 100) break;
    }
    return f;
}

TEST(ScriptLoad, GetNextLineSplitsTheText) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();

    const std::string text = "a=1\r\n  \tb = 2\r\n\r\n   \r\nc\x1A"
                             "d\ne\rlast";
    plat::MemHandle block = ScriptRig::Block(text);
    Fetched f = FetchAll(ctx, block, text.size());
    const std::vector<std::string> want = {"a=1", "b = 2", "", "", "c", "de", "last"};
    EXPECT_EQ(f.lines, want);
    ASSERT_EQ(f.starts.size(), want.size());
    EXPECT_EQ(f.starts[0], 0u);
    EXPECT_EQ(f.starts[1], text.find('b'));
    EXPECT_EQ(f.starts[4], text.find('c'));
    EXPECT_EQ(f.starts[6], text.find("last"));
    EXPECT_EQ(ctx->error_code, 0);
    plat::mem_free(block);

    // Line feeds alone end no line: they are dropped.
    const std::string unix_text = "x=1\ny=2\n";
    block = ScriptRig::Block(unix_text);
    f = FetchAll(ctx, block, unix_text.size());
    EXPECT_EQ(f.lines, std::vector<std::string>{"x=1y=2"});
    plat::mem_free(block);

    // A text that ends in a line end has no empty line after it.
    block = ScriptRig::Block("one\r\n");
    EXPECT_EQ(FetchAll(ctx, block, 5).lines, std::vector<std::string>{"one"});
    plat::mem_free(block);
}

TEST(ScriptLoad, GetNextLineRefusesLongLines) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();

    const std::string text = std::string(256, 'a') + "\r\n" + std::string(257, 'b') + "\r\nc";
    plat::MemHandle block = ScriptRig::Block(text);
    testing::internal::CaptureStderr();
    Fetched f = FetchAll(ctx, block, text.size());
    std::string box = testing::internal::GetCapturedStderr();
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.lines[0].size(), 256u);
    EXPECT_EQ(ctx->error_code, jol::Err::LineTooLong);
    EXPECT_NE(box.find("Line too long (>256 characters)"), std::string::npos) << box;
    EXPECT_EQ(plat::mem_lock_count(block), 0u);
    plat::mem_free(block);

    // Lines joined by lone line feeds count together.
    ctx->error_code = 0;
    std::string joined;
    for (int i = 0; i < 30; ++i)
        joined += "x = 12345\n";
    block = ScriptRig::Block(joined);
    testing::internal::CaptureStderr();
    f = FetchAll(ctx, block, joined.size());
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(f.lines.empty());
    EXPECT_EQ(ctx->error_code, jol::Err::LineTooLong);
    plat::mem_free(block);
}

TEST(ScriptLoad, GetNextLineStaysWithinTheText) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();

    // Only text_length bytes count, whatever lies behind them.
    plat::MemHandle block = ScriptRig::Block("abc\r\nxyz");
    EXPECT_EQ(FetchAll(ctx, block, 5).lines, std::vector<std::string>{"abc"});

    // A next offset at or past the end (a jump that leads nowhere) ends the
    // script without reading.
    jol::RunCursor cur;
    cur.block = block;
    cur.text_length = 8;
    char line[jol::kTextSize] = "untouched";
    for (std::uint16_t at : {std::uint16_t{8}, std::uint16_t{9}, std::uint16_t{0xFFFF}}) {
        cur.next_offset = at;
        EXPECT_EQ(jol::GetNextLine(ctx, line, sizeof line, cur), 0) << at;
        EXPECT_EQ(cur.next_offset, at);
    }
    EXPECT_STREQ(line, "untouched");
    plat::mem_free(block);

    // A zero byte inside the text ends the script, every time it is met.
    block = ScriptRig::Block(std::string("a\r\nb\0c\r\nd", 10));
    cur.block = block;
    cur.text_length = 10;
    cur.next_offset = 0;
    EXPECT_EQ(jol::GetNextLine(ctx, line, sizeof line, cur), 1);
    EXPECT_STREQ(line, "a");
    EXPECT_EQ(jol::GetNextLine(ctx, line, sizeof line, cur), 0);
    EXPECT_EQ(jol::GetNextLine(ctx, line, sizeof line, cur), 0);
    plat::mem_free(block);

    // A block that cannot be locked is reported.
    cur.block = 0;
    cur.next_offset = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::GetNextLine(ctx, line, sizeof line, cur), 0);
    std::string box = testing::internal::GetCapturedStderr();
    EXPECT_NE(box.find("Unable to lock memory for menu/batch file"), std::string::npos) << box;
}

TEST(ScriptLoad, ConvertUnicodeScriptConvertsInPlace) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();

    // Characters of the code page convert, others become '?'; the result is
    // terminated right after itself.
    std::string wide = Utf16(u"x=1\r\n\u00E9\u20AC\u4E2D");
    std::vector<char> text(wide.begin(), wide.end());
    EXPECT_EQ(jol::ConvertUnicodeScript(ctx, text.data(), text.size()), 8u);
    EXPECT_EQ(std::string(text.data()), "x=1\r\n\xE9\x80?");

    // FE FF is taken as a byte-order mark too, and the text read as
    // little-endian; a zero unit ends it.
    wide = "\xFE\xFF" + Utf16(u"ab", false) + std::string(2, '\0') + Utf16(u"cd", false);
    text.assign(wide.begin(), wide.end());
    EXPECT_EQ(jol::ConvertUnicodeScript(ctx, text.data(), text.size()), 2u);
    EXPECT_EQ(std::string(text.data()), "ab");

    // Without a zero unit, the capacity ends the text; without a mark, the
    // text starts at once.
    wide = Utf16(u"abcd");
    text.assign(wide.begin(), wide.end());
    EXPECT_EQ(jol::ConvertUnicodeScript(ctx, text.data(), 6), 2u);
    EXPECT_EQ(std::string(text.data()), "ab");
    wide = Utf16(u"hi", false);
    text.assign(wide.begin(), wide.end());
    EXPECT_EQ(jol::ConvertUnicodeScript(ctx, text.data(), 4), 2u);
    EXPECT_EQ(std::string(text.data()), "hi");

    // Nothing to convert fails.
    wide = Utf16(u"");
    text.assign(wide.begin(), wide.end());
    EXPECT_EQ(jol::ConvertUnicodeScript(ctx, text.data(), 2), 0u);
    EXPECT_EQ(jol::ConvertUnicodeScript(ctx, text.data(), 1), 0u);
}

TEST(ScriptLoad, LoadScriptFileLimitsAndFormats) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();

    testing::internal::CaptureStderr();
    const std::string missing = rig.folder() + "/no-such-script.jol";
    EXPECT_EQ(jol::LoadScriptFile(ctx, missing.c_str()), 0);
    std::string box = testing::internal::GetCapturedStderr();
    EXPECT_NE(box.find("102:  Specified menu/batch file not found"), std::string::npos) << box;
    EXPECT_NE(box.find("no-such-script.jol"), std::string::npos) << box;

    // Exactly 65520 bytes load and run; one byte more is refused.
    std::string big = "x = 1\r\n";
    while (big.size() < 65520)
        big += big.size() + 100 < 65520 ? std::string(";") + std::string(97, '-') + "\r\n"
                                        : std::string(";");
    big.resize(65520, '-');
    ASSERT_EQ(big.size(), 65520u);
    EXPECT_EQ(jol::LoadScriptFile(ctx, rig.File("big.jol", big).c_str()), 1);
    EXPECT_EQ(rig.Var("x"), "1");

    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::LoadScriptFile(ctx, rig.File("bigger.jol", "y = 1\r\n" + big).c_str()), 0);
    box = testing::internal::GetCapturedStderr();
    EXPECT_NE(box.find("Batch file >64K.  Too Large."), std::string::npos) << box;
    EXPECT_EQ(rig.Var("y"), "<none>");

    // UTF-16 files, with either mark.
    EXPECT_EQ(jol::LoadScriptFile(ctx, rig.File("wide.jol", Utf16(u"w = 2\r\n")).c_str()), 1);
    EXPECT_EQ(rig.Var("w"), "2");
    std::string be = "\xFE\xFF" + Utf16(u"v = 3", false);
    EXPECT_EQ(jol::LoadScriptFile(ctx, rig.File("wide-be.jol", be).c_str()), 1);
    EXPECT_EQ(rig.Var("v"), "3");

    // A mark and nothing else cannot be converted; UTF-16 text that
    // converts to more than 65520 bytes is too large.
    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::LoadScriptFile(ctx, rig.File("mark.jol", "\xFF\xFE").c_str()), 0);
    std::u16string many(70000, u';');
    EXPECT_EQ(jol::LoadScriptFile(ctx, rig.File("wide-big.jol", Utf16(many)).c_str()), 0);
    box = testing::internal::GetCapturedStderr();
    EXPECT_NE(box.find("Error converting Unicode batch/menu file"), std::string::npos) << box;
    EXPECT_NE(box.find("Batch file >64K.  Too Large."), std::string::npos) << box;

    // An empty file is a script without lines: it ends at once.
    EXPECT_EQ(jol::LoadScriptFile(ctx, rig.File("empty.jol", "").c_str()), 1);
}

TEST(ScriptLoad, ParametersAreSplitAsParseDataSplitsThem) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();

    EXPECT_EQ(jol::StoreParameters(ctx, "one \"two three\" \"\""), 3);
    EXPECT_EQ(rig.Var("param0"), "3");
    EXPECT_EQ(rig.Var("param1"), "one");
    EXPECT_EQ(rig.Var("param2"), "two three");
    EXPECT_EQ(rig.Var("param3"), "");

    EXPECT_EQ(jol::StoreParameters(ctx, " \tab\"c d\"e  'it''s' `x\"y` \"open end"), 4);
    EXPECT_EQ(rig.Var("param1"), "abc de");
    EXPECT_EQ(rig.Var("param2"), "it's");
    EXPECT_EQ(rig.Var("param3"), "x\"y");
    EXPECT_EQ(rig.Var("param4"), "open end");

    // Fewer parameters leave the later ones of an earlier split alone.
    EXPECT_EQ(jol::StoreParameters(ctx, "   "), 0);
    EXPECT_EQ(rig.Var("param0"), "0");
    EXPECT_EQ(rig.Var("param4"), "open end");

    // A parameter longer than 256 bytes is cut.
    EXPECT_EQ(jol::StoreParameters(ctx, (std::string(300, 'p') + " q").c_str()), 2);
    EXPECT_EQ(rig.Var("param1"), std::string(256, 'p'));
    EXPECT_EQ(rig.Var("param2"), "q");
}

std::vector<jol::ExtArg> g_call_notes;

std::int32_t JOL_STDCALL CallNotes(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                   jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg a8,
                                   jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    if (request == jol::notify::CallStartEnd) g_call_notes.push_back(a8);
    return 0;
}

TEST(ScriptLoad, CallDepthAndStructureLimits) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();
    const std::string script = rig.File("called.jol", "z = param1\r\n");

    // The seventh nested Call is refused before anything happens.
    ctx->call_depth = 6;
    EXPECT_EQ(jol::CallScript(ctx, script.c_str(), "a"), 0);
    EXPECT_EQ(ctx->error_code, jol::Err::CallTooDeep);
    EXPECT_EQ(ctx->call_depth, 6);
    EXPECT_EQ(rig.Var("param0"), "<none>");

    // A missing file: the parameters are stored all the same.
    ctx->call_depth = 0;
    ctx->error_code = 0;
    EXPECT_EQ(jol::CallScript(ctx, (rig.folder() + "/missing.jol").c_str(), "a b"), 0);
    EXPECT_EQ(ctx->error_code, jol::Err::CallNotFound);
    EXPECT_EQ(ctx->call_depth, 0);
    EXPECT_EQ(rig.Var("param0"), "2");

    // A full structure stack refuses the call frame and writes nothing.
    ctx->error_code = 0;
    ctx->structures.depth = jol::kStructureDepth;
    ctx->structures.records[jol::kStructureDepth - 1] = jol::StructureRecord{411, 7, 0, 0};
    const jol::LoadedDlls dlls_before = ctx->dlls;
    EXPECT_EQ(jol::CallScript(ctx, script.c_str(), "a"), 0);
    EXPECT_EQ(ctx->error_code, jol::Err::StructureTooDeep);
    EXPECT_EQ(ctx->structures.depth, jol::kStructureDepth);
    EXPECT_EQ(ctx->structures.records[jol::kStructureDepth - 1].code, 411);
    EXPECT_EQ(std::memcmp(&ctx->dlls, &dlls_before, sizeof dlls_before), 0);
    EXPECT_EQ(ctx->call_depth, 0);
    EXPECT_EQ(rig.Var("z"), "<none>");

    // The sixth level runs; the caller's state comes back afterwards.
    ctx->error_code = 0;
    ctx->structures = jol::StructureStack{};
    ctx->structures.depth = 1;
    ctx->structures.records[0] = jol::StructureRecord{10001, 0, 0, 0};
    ctx->call_depth = 5;
    ctx->last_if = 1;
    char caller_line[jol::kTextSize] = "x = Call(...)";
    ctx->current_line = caller_line;
    ctx->token.cursor = caller_line + 4;
    ctx->host_callback = &CallNotes;
    ctx->hook_flags = 4;
    g_call_notes.clear();
    EXPECT_EQ(jol::CallScript(ctx, script.c_str(), "hello"), 1);
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(rig.Var("z"), "hello");
    EXPECT_EQ(ctx->call_depth, 5);
    EXPECT_EQ(ctx->last_if, 1);
    EXPECT_EQ(ctx->current_line, caller_line);
    EXPECT_EQ(ctx->token.cursor, caller_line + 4);
    EXPECT_EQ(ctx->structures.depth, 1);
    EXPECT_EQ(ctx->structures.records[1].code, 0);
    EXPECT_EQ(g_call_notes, (std::vector<jol::ExtArg>{1, 0}));
}

TEST(ScriptLoad, CalledScriptsThatStop) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();
    ctx->host_callback = &CallNotes;
    ctx->hook_flags = 4;

    // EXIT in the called script stops the callers too, without a box.
    g_call_notes.clear();
    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::CallScript(ctx, rig.File("exit.jol", "a = 1\r\nEXIT\r\nb = 2\r\n").c_str(), ""),
              0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ctx->error_code, jol::Err::StopReported);
    EXPECT_EQ(rig.Var("a"), "1");
    EXPECT_EQ(rig.Var("b"), "<none>");
    EXPECT_EQ(g_call_notes, (std::vector<jol::ExtArg>{1, -1}));

    // An error there is reported there once; the caller stops silently.
    ctx->error_code = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::CallScript(ctx, rig.File("bad.jol", "c = (1\r\nd = 2\r\n").c_str(), ""), 0);
    std::string boxes = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ctx->error_code, jol::Err::StopReported);
    EXPECT_EQ(rig.Var("d"), "<none>");
    EXPECT_NE(boxes.find("c = (1"), std::string::npos) << boxes;

    // RETURN without GOSUB returns to the caller, which goes on; a file
    // that cannot be loaded has been reported and the caller goes on too.
    ctx->error_code = 0;
    EXPECT_EQ(jol::CallScript(ctx, rig.File("ret.jol", "e = 5\r\nRETURN\r\nf = 6\r\n").c_str(), ""),
              1);
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(rig.Var("e"), "5");
    EXPECT_EQ(rig.Var("f"), "<none>");
    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::CallScript(ctx, rig.File("huge.jol", std::string(70000, ';')).c_str(), ""), 1);
    boxes = testing::internal::GetCapturedStderr();
    EXPECT_NE(boxes.find("Batch file >64K.  Too Large."), std::string::npos) << boxes;
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(ctx->call_depth, 0);
    EXPECT_EQ(ctx->structures.depth, 0);
}

} // namespace
