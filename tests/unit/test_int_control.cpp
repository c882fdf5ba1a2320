// IntControl called as the dispatcher calls it: the run options it reads and
// replaces, the host calls of opcode 8 and of unknown opcodes, the guarded
// memory read, the heap search and the opcodes that are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/extenders.h"
#include "dispatch/int_control.h"
#include "host/context/process_state.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "platform/window_system.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_errors.h"
#include "tests/unit/test_support.h"

namespace jol {
namespace {

using test::HandlerResult;

// What the host callback of a test saw, and the text it answers.
struct HostCalls {
    std::vector<jol::ExtArg> requests;
    std::vector<std::string> texts; // the five texts of the last call
    const char* answer = nullptr;
};
HostCalls g_host;

std::int32_t JOL_STDCALL RecordingHost(ExtArg, ExtArg, ExtArg, ExtArg request, ExtArg answer_fn,
                                       ExtArg record, ExtArg, ExtArg a8, ExtArg a9, ExtArg a10,
                                       ExtArg a11, ExtArg a12) {
    g_host.requests.push_back(request);
    g_host.texts.clear();
    for (ExtArg a : {a8, a9, a10, a11, a12})
        g_host.texts.push_back(reinterpret_cast<const char*>(a));
    if (g_host.answer && answer_fn)
        reinterpret_cast<AnswerEntry>(answer_fn)(0, 0, record, 1, 0,
                                                 reinterpret_cast<ExtArg>(g_host.answer));
    return 0;
}

KeywordEntry HostRow(std::uint16_t id, const char* name) {
    KeywordEntry row{};
    row.id = id;
    row.kind = kind::Function;
    row.value[0] = 5;
    row.value[2] = 0x1F;
    row.length = static_cast<std::int16_t>(std::strlen(name));
    std::strncpy(row.name, name, sizeof row.name - 1);
    return row;
}

class IntControl : public ::testing::Test {
protected:
    void SetUp() override {
        const KeywordEntry* row = FindBuiltinKeyword("intcontrol");
        ASSERT_NE(row, nullptr);
        id_ = row->id;
        g_host = HostCalls{};
        free_before_ = rig_.HeapFree();
    }
    void TearDown() override {
        // Every result and argument string went back to the heap.
        EXPECT_EQ(rig_.HeapFree(), free_before_);
    }

    HandlerResult Call(int opcode, const std::string& p1 = "", const std::string& p2 = "",
                       const std::string& p3 = "", const std::string& p4 = "") {
        return rig_.Call(kIntControlModule, id_, {opcode, p1, p2, p3, p4});
    }
    // The result text of a call that must succeed.
    std::string Text(int opcode, const std::string& p1 = "", const std::string& p2 = "") {
        HandlerResult r = Call(opcode, p1, p2);
        EXPECT_EQ(r.error, 0) << "opcode " << opcode;
        EXPECT_TRUE(r.text) << "opcode " << opcode;
        return r.s;
    }
    int Error(int opcode, const std::string& p1 = "", const std::string& p2 = "") {
        HandlerResult r = Call(opcode, p1, p2);
        EXPECT_FALSE(r.text) << "opcode " << opcode;
        return r.error;
    }
    ScriptContext* ctx() { return rig_.ctx(); }

    test::HandlerRig rig_;
    int id_ = 0;
    std::uint32_t free_before_ = 0;
};

TEST_F(IntControl, FlagsTakeAnyNonZeroAsOne) {
    struct Case {
        int opcode;
        std::int32_t RunOptions::*field;
        std::int32_t initial;
    };
    const Case cases[] = {
        {4, &RunOptions::file_list_select, 1}, {5, &RunOptions::host_flag_a, 0},
        {7, &RunOptions::line_trace, 0},       {28, &RunOptions::item_box_fixed_font, 0},
        {33, &RunOptions::dialog_style, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcode);
        EXPECT_EQ(ctx()->options.*c.field, c.initial);
        EXPECT_EQ(Text(c.opcode, "-9"), std::to_string(c.initial));
        EXPECT_EQ(ctx()->options.*c.field, 1);
        EXPECT_EQ(Text(c.opcode, "0"), "1");
        EXPECT_EQ(ctx()->options.*c.field, 0);
        EXPECT_EQ(Text(c.opcode, "abc"), "0"); // no number reads as 0
        EXPECT_EQ(ctx()->options.*c.field, 0);
    }
}

TEST_F(IntControl, ConsoleKeysChangeOnlyOnNt) {
    VersionFacts& v = Process().version;
    const bool saved = v.nt;
    v.nt = false;
    ctx()->options.console_keys = 0;
    EXPECT_EQ(Text(45, "1"), "0");
    EXPECT_EQ(ctx()->options.console_keys, 0);
    v.nt = true;
    EXPECT_EQ(Text(45, "3"), "0");
    EXPECT_EQ(Text(45, "1"), "0");
    EXPECT_EQ(ctx()->options.console_keys, 1);
    v.nt = saved;
}

TEST_F(IntControl, QuietModeSwitchesSoundsOffAndKeepsTheLogName) {
    ctx()->sounds = 1;
    EXPECT_EQ(Text(38, "5", "quiet.log"), "0");
    EXPECT_EQ(ctx()->options.quiet, 1);
    EXPECT_EQ(ctx()->sounds, 0);
    EXPECT_STREQ(ctx()->options.quiet_log, "quiet.log");
    // An empty name leaves the name; a longer name is cut to 259 characters.
    EXPECT_EQ(Text(38, "0"), "1");
    EXPECT_STREQ(ctx()->options.quiet_log, "quiet.log");
    const std::string long_name(300, 'n');
    EXPECT_EQ(Text(38, "0", long_name), "0");
    EXPECT_EQ(std::strlen(ctx()->options.quiet_log), 259u);
}

TEST_F(IntControl, DiagnosticSlotsAndMessages) {
    EXPECT_EQ(Text(13, "10", "77"), "1");
    EXPECT_EQ(ctx()->options.diagnostic_slots[10], 77);
    EXPECT_EQ(Text(13, "11", "5"), "1");
    EXPECT_EQ(Text(13, "-1", "5"), "1");
    EXPECT_EQ(Text(34, "1471"), "IntControl 39/40: Invalid share mode");
    EXPECT_EQ(Text(34, "2"), "");
    EXPECT_EQ(Text(26), "1");
}

TEST_F(IntControl, Windows) {
    ctx()->host_parent = 4660;
    EXPECT_EQ(Text(20), "4660");
    EXPECT_EQ(Text(24, "0"), "0");
    const plat::Hwnd top = test::CreateTestWindow(0);
    const plat::Hwnd child = test::CreateTestWindow(top);
    ASSERT_NE(child, 0u);
    EXPECT_EQ(Text(24, std::to_string(child)), std::to_string(top));
    EXPECT_EQ(Text(24, std::to_string(top)), "0");
    plat::destroy_window(child);
    plat::destroy_window(top);
    EXPECT_EQ(Text(24, std::to_string(child)), "0");
}

TEST_F(IntControl, ReadsMemoryOnlyWhereItIsReadable) {
    const std::uint32_t value = 0x89ABCDEFu;
    const std::string at = std::to_string(reinterpret_cast<std::uintptr_t>(&value));
    EXPECT_EQ(Text(32, at, "long"), std::to_string(static_cast<std::int32_t>(value)));
    EXPECT_EQ(Text(32, at, "WORD"), std::to_string(0xCDEF));
    EXPECT_EQ(Text(32, at, "bYtE"), std::to_string(0xEF));
    EXPECT_EQ(Error(32, at, "DWORD"), Err::DataTypeInvalid);
    EXPECT_EQ(Error(32, at, ""), Err::DataTypeInvalid);
    for (const char* bad : {"0", "1", "4095", "-1", "-4"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Error(32, bad, "LONG"), Err::DataTypeInvalid);
    }
    // A block that is freed is no longer readable.
    EXPECT_EQ(Text(42, "987659"), "0");
}

TEST_F(IntControl, LargestHeapBlockIsExact) {
    // Called with texts that take no heap block, so that the heap is the
    // same during and after the call.
    Value args[6];
    args[1].i = 90;
    args[1].flags = vf::Integer;
    Value result;
    ASSERT_EQ(FnIntControl(ctx(), id_, result, args), 1);
    ASSERT_EQ(result.flags, vf::String);
    const std::uint32_t n = static_cast<std::uint32_t>(std::stoul(HeapText(ctx(), result.str)));
    HeapFree(ctx(), result.str);
    EXPECT_GT(n, 60000u);
    char* heap = ctx()->heap.base;
    const std::uint16_t fits = VMalloc(heap, n);
    EXPECT_NE(fits, 0);
    HeapFree(ctx(), fits);
    EXPECT_EQ(VMalloc(heap, n + 1), 0);
    // With a block taken the answer shrinks.
    const std::uint16_t held = VMalloc(heap, 1000);
    EXPECT_LT(std::stoul(Text(90, "z")), n - 1000);
    HeapFree(ctx(), held);
}

TEST_F(IntControl, FullHeapFailsTheResult) {
    std::vector<std::uint16_t> held;
    for (std::uint32_t size = 4096; size >= 1; size /= 2)
        while (std::uint16_t h = VMalloc(ctx()->heap.base, size))
            held.push_back(h);
    EXPECT_EQ(Error(41, "0"), Err::StringMemory);
    for (std::uint16_t h : held)
        HeapFree(ctx(), h);
}

// The window opcodes where no such window exists (on any desktop, or
// none): searches give "0", class questions empty answers, commands their
// not-found error; nothing waits while the retries are off.
TEST_F(IntControl, WindowOpcodesFindNothing) {
    ctx()->options.window_wait_retries = -1;
    EXPECT_EQ(Text(21, "no such window anywhere~"), "0");
    EXPECT_EQ(Text(21, "#WIN$ID#0FFFFFF0"), "0");
    EXPECT_EQ(Text(44, "0"), "");
    EXPECT_EQ(Text(25, "NoSuchClassAnywhere", "Edit"), "0 0 0");
    EXPECT_EQ(Text(31), "");
    EXPECT_EQ(Error(36, "no such window anywhere~"), Err::IntControlNoWindow);
    EXPECT_EQ(Error(47, "no such window anywhere~"), Err::IntControlNoWindow);
    EXPECT_EQ(Error(48, "no such window anywhere~"), Err::IntControlNoWindow);
}

TEST_F(IntControl, UnknownOpcodesWithoutAHostIntControlFail) {
    ctx()->host_callback = &RecordingHost;
    const KeywordEntry rows[] = {HostRow(0, "hostfn"), KeywordEntry{}};
    ctx()->host_keywords = rows;
    for (int opcode : {0, 2, 3, 6, 14, 27, 52, 65, 69, 89, 91, 101, 102, -1}) {
        SCOPED_TRACE(opcode);
        EXPECT_EQ(Error(opcode), Err::IntControlOpcode);
    }
    EXPECT_TRUE(g_host.requests.empty());
    ctx()->host_keywords = nullptr;
    EXPECT_EQ(Error(102), Err::IntControlOpcode);
}

TEST_F(IntControl, UnknownOpcodesGoToTheHostIntControl) {
    ctx()->host_callback = &RecordingHost;
    const KeywordEntry rows[] = {HostRow(0, "hostfn"), HostRow(1, "intcontrol"), KeywordEntry{}};
    ctx()->host_keywords = rows;
    g_host.answer = "from host";
    HandlerResult r = Call(102, "a", "b", "c", "d");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.s, "from host");
    ASSERT_EQ(g_host.requests.size(), 1u);
    EXPECT_EQ(g_host.requests[0], 1);
    EXPECT_EQ(g_host.texts, (std::vector<std::string>{"102", "a", "b", "c", "d"}));
    // Known opcodes stay with the library.
    EXPECT_EQ(Text(41, "0"), "0");
    EXPECT_EQ(g_host.requests.size(), 1u);
}

TEST_F(IntControl, OpcodeEightCallsTheHostAndEndsTheScript) {
    ctx()->host_callback = &RecordingHost;
    g_host.answer = "ignored";
    HandlerResult r = Call(8, "a", "b", "c", "d");
    EXPECT_EQ(r.error, Err::StopHostCall);
    EXPECT_FALSE(r.text);
    ASSERT_EQ(g_host.requests.size(), 1u);
    EXPECT_EQ(g_host.requests[0], 0);
    EXPECT_EQ(g_host.texts, (std::vector<std::string>(5, "")));
    // Without a host callback the script ends all the same.
    ctx()->host_callback = nullptr;
    EXPECT_EQ(Call(8).error, Err::StopHostCall);
}

} // namespace
} // namespace jol
