// DLLServices called from the host side, and the sample extender module
// loaded into a context: the keyword rows the library takes from it and
// the texts it passes to its functions.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "dispatch/extenders.h"
#include "host/context/script_context.h"
#include "host/entry_points.h"
#include "host/services.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "lib/desktop/menus.h"
#include "platform/memory.h"
#include "platform/window_system.h"
#include "tests/unit/test_errors.h"
#include "tests/unit/test_support.h"

namespace {

using jol::ScriptContext;

constexpr unsigned kVars = 50;
constexpr unsigned kHeap = 8192;

// The sample extender as the program sees it (Wine maps the Unix root to
// drive Z:).
std::string SamplePath() {
    std::string path = JOL_SAMPLE_EXTENDER;
#if defined(_WIN32)
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return path;
}

class Services : public ::testing::Test {
protected:
    void SetUp() override {
        home_.emplace();
        context_ = plat::mem_alloc(sizeof(ScriptContext));
        vars_ = plat::mem_alloc(sizeof(jol::VarEntry) * kVars);
        heap_ = plat::mem_alloc(kHeap);
        ASSERT_TRUE(context_ && vars_ && heap_);
        ASSERT_EQ(DoDaDllInit(0, context_, 0, 1, 0, nullptr, nullptr), 52);
        ASSERT_EQ(DoDaDllInit(0, context_, vars_, 2, kVars, "TESTHOST", "TESTHOST.INI"), 1);
        ASSERT_EQ(DoDaDllInit(0, context_, heap_, 3, kHeap, "tag", nullptr), 1);
    }
    void TearDown() override {
        if (context_) DoDaDllInit(0, context_, 0, 99, 0, nullptr, nullptr);
        for (plat::MemHandle h : {context_, vars_, heap_})
            if (h) plat::mem_free(h);
        home_.reset();
    }

    std::int32_t Call(std::int32_t request, const char* text1 = nullptr,
                      const char* text2 = nullptr, std::intptr_t number = 0,
                      std::intptr_t number2 = 0) {
        return DLLServices(context_, request, const_cast<char*>(text1), const_cast<char*>(text2),
                           number, number2);
    }
    std::string Variable(const char* name) {
        char text[300] = "?";
        if (!Call(jol::service::GetVariable, name, text, sizeof text)) return "<none>";
        return text;
    }
    // The context with its variable table and heap bound, as during a run.
    ScriptContext* Bind() {
        auto* ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
        ctx->vars = static_cast<jol::VarEntry*>(plat::mem_lock(vars_));
        ctx->heap.base = static_cast<char*>(plat::mem_lock(heap_));
        return ctx;
    }
    void Unbind(ScriptContext* ctx) {
        ctx->vars = nullptr;
        ctx->heap.base = nullptr;
        plat::mem_unlock(heap_);
        plat::mem_unlock(vars_);
        plat::mem_unlock(context_);
    }
    void ExpectUnlocked() {
        EXPECT_EQ(plat::mem_lock_count(context_), 0u);
        EXPECT_EQ(plat::mem_lock_count(vars_), 0u);
        EXPECT_EQ(plat::mem_lock_count(heap_), 0u);
    }
    std::int16_t ErrorCode() {
        auto* ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
        const std::int16_t code = ctx->error_code;
        plat::mem_unlock(context_);
        return code;
    }
    void SetErrorCode(std::int16_t code) {
        auto* ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
        ctx->error_code = code;
        plat::mem_unlock(context_);
    }

    std::optional<test::TempHome> home_;
    plat::MemHandle context_ = 0, vars_ = 0, heap_ = 0;
};

TEST_F(Services, SetAndGetVariables) {
    EXPECT_EQ(Call(jol::service::SetVariableOrBuffer, "Greeting", "hello", 0, 5), 1);
    EXPECT_EQ(Variable("greeting"), "hello");
    EXPECT_EQ(Variable("GREETING"), "hello");
    EXPECT_EQ(Call(jol::service::SetVariableOrBuffer, "greeting", "again", 0, 5), 1);
    EXPECT_EQ(Variable("greeting"), "again");
    EXPECT_EQ(Call(jol::service::VariableCount, nullptr, nullptr, 1), 1);
    EXPECT_EQ(Call(jol::service::VariableCount, nullptr, nullptr, 2), 0);
    // No name, no buffer, an unknown variable: 0.
    EXPECT_EQ(Call(jol::service::SetVariableOrBuffer, "", "x"), 0);
    char text[8];
    EXPECT_EQ(Call(jol::service::GetVariable, "greeting", nullptr, sizeof text), 0);
    EXPECT_EQ(Call(jol::service::GetVariable, "greeting", text, 0), 0);
    EXPECT_EQ(Variable("nosuch"), "<none>");
    ExpectUnlocked();
}

TEST_F(Services, TheScriptsErrorCodeSurvivesACallExceptForRequestThirteen) {
    SetErrorCode(1234);
    EXPECT_EQ(Variable("nosuch"), "<none>");
    EXPECT_EQ(ErrorCode(), 1234);
    EXPECT_EQ(Call(jol::service::SetErrorCode, nullptr, nullptr, 0), 1);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(Call(jol::service::SetErrorCode, nullptr, nullptr,
                   jol::ErrNumber(jol::Err::ExtenderSevere)),
              1);
    EXPECT_EQ(ErrorCode(), jol::Err::ExtenderSevere);
    SetErrorCode(0);
}

TEST_F(Services, FlagsAndSettingsAnswerTheirPreviousValues) {
    EXPECT_EQ(Call(jol::service::HookFlags, nullptr, nullptr, 6), 0);
    EXPECT_EQ(Call(jol::service::HookFlags, nullptr, nullptr, 1), 6);
    EXPECT_EQ(Call(jol::service::HostDialog, nullptr, nullptr, 1), 0);
    EXPECT_EQ(Call(jol::service::HostDialog, nullptr, nullptr, 0), 1);
    EXPECT_EQ(Call(jol::service::HostFlagA, nullptr, nullptr, 1), 0);
    EXPECT_EQ(Call(jol::service::HostFlagA, nullptr, nullptr, 7), 1); // left as it is
    EXPECT_EQ(Call(jol::service::HostFlagA, nullptr, nullptr, 0), 1);
    EXPECT_EQ(Call(jol::service::ListDelimiter), '\t');
    EXPECT_EQ(Call(jol::service::TerminationFlags), 0);
    EXPECT_EQ(Call(jol::service::Stop, nullptr, nullptr, 0), 1);
    auto* ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
    EXPECT_EQ(ctx->hook_flags, 1u);
    EXPECT_EQ(ctx->cancel, 1);
    EXPECT_EQ(ctx->report_cancel, 0);
    plat::mem_unlock(context_);
    ExpectUnlocked();
}

TEST_F(Services, NamesAndParameters) {
    EXPECT_EQ(Call(jol::service::SetNames, "script.jol", "Host Two"), 1);
    auto* ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
    EXPECT_STREQ(ctx->script_name, "script.jol");
    EXPECT_STREQ(ctx->host_name2, "Host Two");
    plat::mem_unlock(context_);
    Call(jol::service::Parameters, "one 'two three'");
    EXPECT_EQ(Variable("param0"), "2");
    EXPECT_EQ(Variable("param1"), "one");
    EXPECT_EQ(Variable("param2"), "two three");
}

TEST_F(Services, KeywordsAreDisabledAndEnabledByName) {
    const jol::KeywordEntry* strlen_row = jol::FindBuiltinKeyword("strlen");
    const jol::KeywordEntry* strsub_row = jol::FindBuiltinKeyword("strsub");
    ASSERT_TRUE(strlen_row && strsub_row);
    // Names in table order, runs of the delimiter counting as one.
    EXPECT_EQ(Call(jol::service::DisableKeywords, "strlen||strsub", "|", 0), 1);
    EXPECT_TRUE(jol::RowDisabled(*strlen_row));
    EXPECT_TRUE(jol::RowDisabled(*strsub_row));
    // Out of order: the search goes on after the previous name, so the
    // second name is not found and the answer is 0.
    EXPECT_EQ(Call(jol::service::DisableKeywords, "strsub strlen", " ", 1), 0);
    EXPECT_FALSE(jol::RowDisabled(*strsub_row));
    EXPECT_TRUE(jol::RowDisabled(*strlen_row));
    EXPECT_EQ(Call(jol::service::DisableKeywords, "strlen,nosuchname,averyverylongname", ",", 1),
              0);
    EXPECT_FALSE(jol::RowDisabled(*strlen_row));
    EXPECT_EQ(Call(jol::service::DisableKeywords, "", ",", 0), 0);
    EXPECT_EQ(Call(jol::service::DisableKeywords, "strlen", "", 0), 0);
    EXPECT_FALSE(jol::RowDisabled(*strlen_row));
}

TEST_F(Services, RequestsNotOfferedGiveZero) {
    for (std::int32_t r : {9, 10, 12, 21, 26, 27, 30, 99, -1})
        EXPECT_EQ(Call(r, "a", "b", 1, 1), 0) << r;
    EXPECT_EQ(DLLServices(0, jol::service::ListDelimiter, nullptr, nullptr, 0, 0), 0);
    ExpectUnlocked();
}

// The window requests refuse what names no window, without waiting for one.
TEST_F(Services, WindowRequestsRefuseWhatIsNoWindow) {
    EXPECT_EQ(Call(jol::service::SaveWindowPosition, "JolTestPosition", nullptr, 0), 0);
    EXPECT_EQ(Call(jol::service::PlaceWindow, "0,0,500,500", nullptr, 0), 0);
    EXPECT_EQ(Call(jol::service::ActivateWindow, "#WIN$ID#0FFFFFF0"), 0);
    ExpectUnlocked();
}

// Request 15 is the menu search of SendMenusTo on the given window: a
// window without a menu bar (every window of this test) fails with the
// menu error, and the caller's error code is left as it was.
TEST_F(Services, MenuRequestRunsTheMenuSearch) {
    const plat::Hwnd w = test::CreateTestWindow(0);
    ASSERT_TRUE(w);
    SetErrorCode(7);
    EXPECT_EQ(Call(jol::service::SendMenu, "File Open", nullptr, 0, static_cast<std::intptr_t>(w)),
              0);
    EXPECT_EQ(ErrorCode(), 7);
    SetErrorCode(0);
    ScriptContext* ctx = Bind();
    EXPECT_EQ(jol::SendMenuCommand(ctx, w, "File Open"), 0);
    EXPECT_EQ(ctx->error_code, static_cast<std::int16_t>(jol::Err::MenuNotAccessible));
    ctx->error_code = 0;
    Unbind(ctx);
    EXPECT_EQ(Call(jol::service::SendMenu, "File Open", nullptr, 0, 0), 0);
    ExpectUnlocked();
    plat::destroy_window(w);
}

TEST_F(Services, BinaryBufferHandlesThatNameNoBufferAreRefused) {
    char data[] = "abc";
    EXPECT_EQ(Call(jol::service::FillBuffer, data, reinterpret_cast<const char*>(3), 0,
                   jol::kBufferHandleBase),
              -1);
    EXPECT_EQ(Call(jol::service::FillBuffer, data, reinterpret_cast<const char*>(3), 0, 5), -1);
    // A variable holding a number that is no buffer handle.
    ScriptContext* ctx = Bind();
    jol::SetVariable(ctx, "buf", nullptr, 42, 1);
    Unbind(ctx);
    EXPECT_EQ(Call(jol::service::SetVariableOrBuffer, "buf", data, 0, 3), -1);
    ExpectUnlocked();
}

TEST_F(Services, AFailedLaterLockReleasesTheEarlierOnes) {
    auto* ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
    const plat::MemHandle heap = ctx->heap.handle;
    const plat::MemHandle vars = ctx->vars_handle;
    plat::MemHandle stale = plat::mem_alloc(64);
    plat::mem_free(stale);

    // The heap cannot be locked: the context and the table are unlocked.
    ctx->heap.handle = stale;
    plat::mem_unlock(context_);
    EXPECT_EQ(Call(jol::service::VariableCount, nullptr, nullptr, 1), 0);
    ExpectUnlocked();

    // The table cannot be locked: the context is unlocked.
    ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
    ctx->heap.handle = heap;
    ctx->vars_handle = 0;
    plat::mem_unlock(context_);
    EXPECT_EQ(Call(jol::service::VariableCount, nullptr, nullptr, 1), 0);
    ExpectUnlocked();

    ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
    ctx->vars_handle = vars;
    plat::mem_unlock(context_);
    EXPECT_EQ(Call(jol::service::VariableCount, nullptr, nullptr, 1), 0); // nothing set yet
    EXPECT_EQ(Call(jol::service::ListDelimiter), '\t');
    ExpectUnlocked();
}

TEST_F(Services, CallsNestInsideARunAndGiveTheBindingBack) {
    ScriptContext* ctx = Bind();
    jol::VarEntry* const vars = ctx->vars;
    char* const base = ctx->heap.base;
    EXPECT_EQ(Call(jol::service::SetVariableOrBuffer, "inner", "set", 0, 3), 1);
    EXPECT_EQ(ctx->vars, vars);
    EXPECT_EQ(ctx->heap.base, base);
    char text[16];
    EXPECT_EQ(jol::GetVariableText(ctx, "inner", text, sizeof text), 1);
    EXPECT_STREQ(text, "set");
    EXPECT_EQ(plat::mem_lock_count(context_), 1u);
    Unbind(ctx);
    ExpectUnlocked();
}

// ---------------------------------------------------------- the sample

class SampleExtender : public Services {
protected:
    int Load(ScriptContext* ctx) { return jol::AddExtender(ctx, SamplePath().c_str()); }
    const jol::KeywordEntry* Row(ScriptContext* ctx, const char* name) {
        for (int r = 0; r < ctx->extenders.row_count; ++r)
            if (!std::strcmp(ctx->extenders.rows[r].name, name)) return &ctx->extenders.rows[r];
        return nullptr;
    }
    int TokenOf(ScriptContext* ctx, const char* name) {
        const jol::KeywordEntry* row = Row(ctx, name);
        return row ? jol::kw::ExtenderBase + static_cast<int>(row - ctx->extenders.rows) : -1;
    }
};

TEST_F(SampleExtender, RowsAreClampedLowerCasedAndFiltered) {
    ScriptContext* ctx = Bind();
    ASSERT_EQ(Load(ctx), 1) << SamplePath();
    EXPECT_EQ(ctx->extenders.loaded, 1);
    // Fourteen rows delivered; the one numbered 98 is not taken.
    EXPECT_EQ(ctx->extenders.row_count, 13);
    for (int r = 0; r < ctx->extenders.row_count; ++r) {
        const jol::KeywordEntry& row = ctx->extenders.rows[r];
        EXPECT_LT(row.id % 100, 98) << row.name;
        EXPECT_EQ(row.id / 100, 20) << row.name; // slot 0
        EXPECT_EQ(static_cast<std::size_t>(row.length), std::strlen(row.name)) << row.name;
        EXPECT_LE(row.length, 13) << row.name;
        for (const char* p = row.name; *p; ++p)
            EXPECT_FALSE(*p >= 'A' && *p <= 'Z') << row.name;
    }
    const jol::KeywordEntry* first = &ctx->extenders.rows[0];
    EXPECT_STREQ(first->name, "smpadd");
    EXPECT_EQ(first->id, 2000);
    EXPECT_EQ(first->kind, jol::kind::Function);
    EXPECT_EQ(jol::RowArgCount(*first), 2);
    EXPECT_EQ(jol::RowStringArgs(*first), 3u);
    EXPECT_NE(Row(ctx, "smpmixed"), nullptr);      // delivered as "SmpMixed"
    EXPECT_NE(Row(ctx, "smpfourteench"), nullptr); // a full name field, cut to 13
    EXPECT_NE(Row(ctx, "smpsho"), nullptr);        // length 6 of "smpshortened"
    EXPECT_EQ(Row(ctx, "smprefuse"), nullptr);     // function number 98
    EXPECT_EQ(Row(ctx, "smpfourteench")->id, 2011);
    EXPECT_EQ(Row(ctx, "smpsho")->id, 2012);

    // Loading it again adds nothing.
    EXPECT_EQ(Load(ctx), 1);
    EXPECT_EQ(ctx->extenders.loaded, 1);
    EXPECT_EQ(ctx->extenders.row_count, 13);
    Unbind(ctx);

    // The release at the end of the context empties the table.
    ASSERT_EQ(DoDaDllInit(0, context_, 0, 99, 0, nullptr, nullptr), 1);
    ctx = static_cast<ScriptContext*>(plat::mem_lock(context_));
    EXPECT_EQ(ctx->extenders.loaded, 0);
    EXPECT_EQ(ctx->extenders.row_count, 0);
    EXPECT_EQ(ctx->extenders.modules[0], 0u);
    plat::mem_unlock(context_);
    ExpectUnlocked();
}

TEST_F(SampleExtender, TenModulesAtMostAndTheRowTableLimit) {
    // Eleven copies of the sample are eleven different modules.
    namespace fs = std::filesystem;
    const fs::path source = JOL_SAMPLE_EXTENDER;
    const fs::path dir = fs::path(home_->path()) / "extenders";
    fs::create_directories(dir);
    std::string copies[11];
    for (int i = 0; i < 11; ++i) {
        const fs::path copy = dir / ("sample" + std::to_string(i) + source.extension().string());
        fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
        copies[i] = copy.string();
#if defined(_WIN32)
        if (copies[i][0] == '/') copies[i] = "Z:" + copies[i];
#endif
    }
    ScriptContext* ctx = Bind();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(jol::AddExtender(ctx, copies[i].c_str()), 1) << copies[i];
    EXPECT_EQ(ctx->extenders.loaded, 10);
    EXPECT_EQ(ctx->extenders.row_count, 130);
    EXPECT_EQ(jol::AddExtender(ctx, copies[10].c_str()), 0);
    EXPECT_EQ(ctx->error_code, jol::Err::TooManyExtenders);
    EXPECT_EQ(ctx->extenders.loaded, 10);
    ctx->error_code = 0;
    Unbind(ctx);
    ASSERT_EQ(DoDaDllInit(0, context_, 0, 99, 0, nullptr, nullptr), 1);

    // Enumeration stops when the table holds 201 rows; a full table takes
    // no further extender.
    ctx = Bind();
    ctx->extenders.row_count = 195;
    ASSERT_EQ(jol::AddExtender(ctx, copies[0].c_str()), 1);
    EXPECT_EQ(ctx->extenders.row_count, 201);
    EXPECT_EQ(jol::AddExtender(ctx, copies[1].c_str()), 0);
    EXPECT_EQ(ctx->error_code, jol::Err::ExtenderTableFull);
    EXPECT_EQ(ctx->extenders.loaded, 1);
    ctx->error_code = 0;
    Unbind(ctx);
}

TEST_F(SampleExtender, SlotsWithoutATextArePassedAsEmptyTexts) {
    ScriptContext* ctx = Bind();
    ASSERT_EQ(Load(ctx), 1) << SamplePath();
    const int add = TokenOf(ctx, "smpadd");
    const int upper = TokenOf(ctx, "smpupper");
    ASSERT_GT(add, 0);
    ASSERT_GT(upper, 0);

    jol::Value args[6];
    args[1].flags = jol::vf::Integer; // a number only: no text
    args[1].i = 40;
    args[2].flags = jol::vf::String;
    args[2].str = jol::HeapCopyText(ctx, "2");
    ASSERT_NE(args[2].str, 0);
    jol::Value result;
    result.flags = jol::vf::Integer;
    EXPECT_EQ(jol::ExtenderCall(ctx, add, result, args), 1);
    EXPECT_EQ(result.i, 2);

    // A string flag whose handle lies outside the heap is no text either.
    args[1].flags = jol::vf::String;
    args[1].str = 0xFFF0;
    EXPECT_EQ(jol::ExtenderCall(ctx, add, result, args), 1);
    EXPECT_EQ(result.i, 2);

    // No argument slots at all.
    jol::Value text;
    EXPECT_EQ(jol::ExtenderCall(ctx, upper, text, nullptr), 1);
    ASSERT_EQ(text.flags, jol::vf::String);
    EXPECT_STREQ(jol::HeapText(ctx, text.str), "");
    jol::HeapFree(ctx, text.str);
    text = jol::Value{};

    args[1].flags = jol::vf::String;
    args[1].str = jol::HeapCopyText(ctx, "Mixed Case");
    EXPECT_EQ(jol::ExtenderCall(ctx, upper, text, args), 1);
    ASSERT_EQ(text.flags, jol::vf::String);
    EXPECT_STREQ(jol::HeapText(ctx, text.str), "MIXED CASE");
    EXPECT_EQ(text.var, -1);
    jol::HeapFree(ctx, text.str);
    jol::HeapFree(ctx, args[1].str);
    jol::HeapFree(ctx, args[2].str);
    EXPECT_EQ(ctx->error_code, 0);
    Unbind(ctx);
}

TEST_F(SampleExtender, NegativeResultsSetTheirCodes) {
    ScriptContext* ctx = Bind();
    ASSERT_EQ(Load(ctx), 1) << SamplePath();
    const int fail = TokenOf(ctx, "smpfail");
    ASSERT_GT(fail, 0);
    ctx->error_mode = 0; // @off: no boxes
    struct Case {
        const char* code;
        const char* text;
        jol::Err error;
        int extended;
    };
    const Case cases[] = {
        {"-1", "", jol::Err::ExtenderMinor, 999},
        {"-2", "42: why", jol::Err::ExtenderModerate, 42},
        {"-3", "x", jol::Err::ExtenderSevere, 999},
        {"-4", "7:no room", jol::Err::ExtenderMemory, 7},
        {"-5", "", jol::Err::StopCancel, 999},
        {"-6", "", jol::Err::StopTerminate, 999},
    };
    for (const Case& c : cases) {
        jol::Value args[6];
        args[1].flags = args[2].flags = jol::vf::String;
        args[1].str = jol::HeapCopyText(ctx, c.code);
        args[2].str = jol::HeapCopyText(ctx, c.text);
        jol::Value result;
        result.flags = jol::vf::Integer;
        ctx->error_code = 0;
        EXPECT_EQ(jol::ExtenderCall(ctx, fail, result, args), 0) << c.code;
        EXPECT_EQ(ctx->error_code, c.error) << c.code;
        EXPECT_EQ(ctx->extended_error, c.extended) << c.code;
        jol::HeapFree(ctx, args[1].str);
        jol::HeapFree(ctx, args[2].str);
    }
    ctx->error_code = 0;
    Unbind(ctx);
}

} // namespace
