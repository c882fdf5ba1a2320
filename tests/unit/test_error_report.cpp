// Error boxes by error mode and severity, the quiet-mode log, ErrorMode and
// LastError.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "exec/error_report.h"
#include "host/context/script_context.h"
#include "platform/answer_queue.h"
#include "platform/boxes.h"
#include "platform/window_system.h"
#include "resources/message_table.h"
#include "tests/unit/test_errors.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;
using jol::ScriptContext;

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

class ErrorReport : public ::testing::Test {
protected:
    void SetUp() override {
        plat::detail::answer_queue_clear();
        ctx_ = std::make_unique<ScriptContext>();
        ctx_->error_mode = jol::kErrorModeCancel;
        std::strcpy(ctx_->script_name, "test.jol");
        window_ = test::CreateTestWindow(0);
        ctx_->host_window = window_;
        ctx_->host_parent = window_;
        static int serial = 0;
        dir_ = fs::temp_directory_path() /
               ("jol-err-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                std::to_string(serial++));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        plat::detail::answer_queue_clear();
        if (window_) plat::destroy_window(window_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Reports code with a prepared body line; answer 0 pushes no answer.
    // Returns the result and tells whether a box took an answer.
    int Report(jol::Err code, int severity, int answer, bool* shown) {
        std::strcpy(ctx_->error_body, "x = Statement()");
        jol::ReplaceError(ctx_.get(), code);
        plat::detail::answer_queue_push(answer ? answer : plat::id::Ok);
        int r = jol::ReportError(ctx_.get(), window_, 1, code, severity);
        *shown = plat::detail::answer_queue_pending() == 0;
        plat::detail::answer_queue_clear();
        return r;
    }

    std::unique_ptr<ScriptContext> ctx_;
    plat::Hwnd window_ = 0;
    fs::path dir_;
};

TEST_F(ErrorReport, ModesAndSeveritiesDecideBoxAndOutcome) {
    using namespace jol;
    const int ok = plat::id::Ok, cancel = plat::id::Cancel;
    struct Case {
        std::int32_t mode;
        Err code;
        int severity, answer;
        bool shown;
        int result;
    } cases[] = {
        {kErrorModeOff, Err::FileDeleteNotFound, kSeverityMinor, ok, false, 1},
        {kErrorModeOff, Err::StrCatSyntax, kSeverityModerate, ok, true, 1},
        {kErrorModeOff, Err::StrCatSyntax, kSeverityModerate, cancel, true, 0},
        {kErrorModeOff, Err::Incomplete, kSeverityFatal, ok, true, 0},
        {kErrorModeNotify, Err::FileDeleteNotFound, kSeverityMinor, ok, true, 1},
        {kErrorModeNotify, Err::FileDeleteNotFound, kSeverityMinor, cancel, true, 0},
        {kErrorModeNotify, Err::StrCatSyntax, kSeverityModerate, ok, true, 1},
        {kErrorModeNotify, Err::StrCatSyntax, kSeverityModerate, cancel, true, 0},
        {kErrorModeNotify, Err::Incomplete, kSeverityFatal, ok, true, 0},
        {kErrorModeCancel, Err::FileDeleteNotFound, kSeverityMinor, ok, true, 0},
        {kErrorModeCancel, Err::StrCatSyntax, kSeverityModerate, ok, true, 0},
        {kErrorModeCancel, Err::Incomplete, kSeverityFatal, ok, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " code " + ErrName(c.code) + " answer " +
                     std::to_string(c.answer));
        ctx_->error_mode = c.mode;
        ctx_->last_error = 0;
        bool shown = false;
        EXPECT_EQ(Report(c.code, c.severity, c.answer, &shown), c.result);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(ctx_->last_error, c.code);
        // Going on after a box clears the error; an ignored minor error
        // stays pending; stopping keeps it.
        const bool cleared = c.shown && c.result == 1;
        EXPECT_EQ(ctx_->error_code, cleared ? 0 : ErrNumber(c.code));
    }
}

TEST_F(ErrorReport, TitleAndBodyOfTheBox) {
    bool shown = false;
    Report(jol::Err::Incomplete, jol::kSeverityFatal, plat::id::Ok, &shown);
    EXPECT_TRUE(shown);
    EXPECT_STREQ(ctx_->error_title, "3071:  Missing or incomplete statement");
    EXPECT_STREQ(ctx_->error_body, "x = Statement()\n\ntest.jol\nJOL Version: 2.3nbp");
#ifndef _WIN32
    EXPECT_EQ(plat::get_foreground_window(), window_);
#endif

    // A body given by id; a code without text still numbers the title.
    plat::detail::answer_queue_push(plat::id::Ok);
    EXPECT_EQ(jol::ReportError(ctx_.get(), window_, 193, 192, jol::kSeverityFatal), 0);
    EXPECT_STREQ(ctx_->error_title, "192:  Execution ended");
    EXPECT_STREQ(ctx_->error_body,
                 "Execution terminated by user request or error\n\ntest.jol\nJOL Version: 2.3nbp");
    plat::detail::answer_queue_push(plat::id::Ok);
    jol::ReportError(ctx_.get(), window_, 1, 4999, jol::kSeverityFatal);
    EXPECT_STREQ(ctx_->error_title, "4999:  ");

    // A long body keeps 157 characters; with a long script name the whole
    // body is cut to 256.
    std::string line(300, 'a');
    std::strcpy(ctx_->error_body, line.substr(0, 256).c_str());
    plat::detail::answer_queue_push(plat::id::Ok);
    jol::ReportError(ctx_.get(), window_, 1, jol::Err::Incomplete, jol::kSeverityFatal);
    EXPECT_EQ(std::string(ctx_->error_body),
              std::string(157, 'a') + "\n\ntest.jol\nJOL Version: 2.3nbp");
    std::strcpy(ctx_->script_name, std::string(256, 's').c_str());
    std::strcpy(ctx_->error_body, "line");
    plat::detail::answer_queue_push(plat::id::Ok);
    jol::ReportError(ctx_.get(), window_, 1, jol::Err::Incomplete, jol::kSeverityFatal);
    EXPECT_EQ(std::strlen(ctx_->error_body), 256u);
    EXPECT_EQ(std::string(ctx_->error_body), "line\n\n" + std::string(250, 's'));

    // Internal codes leave title and body as the caller prepared them.
    std::strcpy(ctx_->error_title, "Own title");
    std::strcpy(ctx_->error_body, "Own body");
    plat::detail::answer_queue_push(plat::id::Ok);
    jol::ReportError(ctx_.get(), window_, 1, 50, jol::kSeverityFatal);
    EXPECT_STREQ(ctx_->error_title, "Own title");
    EXPECT_STREQ(ctx_->error_body, "Own body");
}

TEST_F(ErrorReport, QuietModeWritesTheLogAndStops) {
    const fs::path log = dir_ / "errors.log";
    ctx_->sounds = 1;
    EXPECT_EQ(jol::SetQuietMode(ctx_.get(), 1, log.string().c_str()), 0);
    EXPECT_EQ(ctx_->sounds, 0);
    EXPECT_STREQ(ctx_->options.quiet_log, log.string().c_str());

    // Even a choice the user would have had ends the script: the log
    // answers Cancel, and no box is shown.
    ctx_->error_mode = jol::kErrorModeNotify;
    bool shown = true;
    EXPECT_EQ(Report(jol::Err::StrCatSyntax, jol::kSeverityModerate, plat::id::Ok, &shown), 0);
    EXPECT_FALSE(shown);
    EXPECT_EQ(ctx_->error_code, jol::Err::StrCatSyntax);
    EXPECT_STREQ(ctx_->last_logged_title, "2058:  StrCat: Function syntax error");
    EXPECT_STREQ(ctx_->last_logged_body, "x = Statement()\n\ntest.jol\nJOL Version: 2.3nbp");

    const std::string entry = "\\d\\d/\\d\\d/\\d\\d  \\d\\d:\\d\\d:\\d\\d  test\r\n\r\n";
    const std::string first = entry + "2058:  StrCat: Function syntax error\r\n\r\n"
                                      "x = Statement\\(\\)\n\ntest.jol\nJOL Version: 2.3nbp\r\n"
                                      "\r\n<HR>\r\n\r\n";
    EXPECT_TRUE(std::regex_match(ReadAll(log), std::regex(first))) << ReadAll(log);

    // Entries are appended; empty texts leave out their lines.
    EXPECT_EQ(jol::ShowMessageBox(ctx_.get(), window_, "", "", plat::mb::YesNo), plat::id::Cancel);
    const std::string second = entry + "\r\n\r\n<HR>\r\n\r\n";
    EXPECT_TRUE(std::regex_match(ReadAll(log), std::regex(first + second))) << ReadAll(log);
    EXPECT_STREQ(ctx_->last_logged_title, "");

    // Switching off returns the previous mode and keeps the name.
    EXPECT_EQ(jol::SetQuietMode(ctx_.get(), 0, ""), 1);
    EXPECT_EQ(ctx_->options.quiet, 0);
    EXPECT_STREQ(ctx_->options.quiet_log, log.string().c_str());
}

TEST_F(ErrorReport, QuietModeWithoutUsableLog) {
    // No log file name: nothing is written, the texts are still kept and
    // the script stops.
    jol::SetQuietMode(ctx_.get(), 1, nullptr);
    ctx_->error_mode = jol::kErrorModeOff;
    bool shown = true;
    EXPECT_EQ(Report(jol::Err::Incomplete, jol::kSeverityFatal, plat::id::Ok, &shown), 0);
    EXPECT_FALSE(shown);
    EXPECT_STREQ(ctx_->last_logged_title, "3071:  Missing or incomplete statement");
    EXPECT_TRUE(fs::is_empty(dir_));

    // A log that cannot be opened loses the entry and still answers Cancel.
    jol::SetQuietMode(ctx_.get(), 1, (dir_ / "missing" / "x.log").string().c_str());
    EXPECT_EQ(jol::ShowMessageBox(ctx_.get(), window_, "t", "c", plat::mb::Ok), plat::id::Cancel);
    EXPECT_TRUE(fs::is_empty(dir_));

    // The name keeps at most 259 characters, and a field filled to its last
    // byte is never read past its end.
    std::string base = (dir_ / "q").string();
    std::string name = base + std::string(259 - base.size(), 'x');
    ASSERT_EQ(name.size(), 259u);
    jol::SetQuietMode(ctx_.get(), 1, (name + "yyyy").c_str());
    EXPECT_EQ(std::strlen(ctx_->options.quiet_log), 259u);
    EXPECT_EQ(std::string(ctx_->options.quiet_log), name);
    ctx_->options.quiet_log[259] = 'Z';
    EXPECT_EQ(jol::ShowMessageBox(ctx_.get(), window_, "text", "title", plat::mb::Ok),
              plat::id::Cancel);
    EXPECT_TRUE(fs::exists(name));
}

TEST_F(ErrorReport, ErrorModeAndLastError) {
    EXPECT_EQ(jol::SwapErrorMode(ctx_.get(), 5), jol::kErrorModeCancel);
    EXPECT_EQ(jol::SwapErrorMode(ctx_.get(), 0), jol::kErrorModeNotify);
    EXPECT_EQ(jol::SwapErrorMode(ctx_.get(), -1), jol::kErrorModeOff);
    EXPECT_EQ(jol::SwapErrorMode(ctx_.get(), 1), jol::kErrorModeNotify);
    EXPECT_EQ(ctx_->error_mode, jol::kErrorModeCancel);

    // An ignored minor error is readable once.
    ctx_->error_mode = jol::kErrorModeOff;
    bool shown = true;
    EXPECT_EQ(Report(jol::Err::FileDeleteNotFound, jol::kSeverityMinor, plat::id::Ok, &shown), 1);
    EXPECT_FALSE(shown);
    EXPECT_EQ(jol::TakeLastError(ctx_.get()), jol::Err::FileDeleteNotFound);
    EXPECT_EQ(jol::TakeLastError(ctx_.get()), 0);

    // Extender and secondary failures answer their extended number.
    for (jol::Err code : {jol::Err::ExtenderMinor, jol::Err::ExtenderModerate,
                          jol::Err::ExtenderSevere, jol::Err::StopReported}) {
        ctx_->last_error = jol::ErrNumber(code);
        ctx_->extended_error = 999;
        EXPECT_EQ(jol::TakeLastError(ctx_.get()), 999) << jol::ErrName(code);
        EXPECT_EQ(ctx_->last_error, 0);
        EXPECT_EQ(ctx_->extended_error, 0);
    }
    ctx_->last_error = jol::ErrNumber(jol::Err::ExtenderMemory);
    ctx_->extended_error = 999;
    EXPECT_EQ(jol::TakeLastError(ctx_.get()), jol::Err::ExtenderMemory);
    EXPECT_EQ(ctx_->extended_error, 0);

    EXPECT_EQ(jol::ErrorSeverity(2000), jol::kSeverityMinor);
    EXPECT_EQ(jol::ErrorSeverity(2001), jol::kSeverityModerate);
    EXPECT_EQ(jol::ErrorSeverity(3000), jol::kSeverityModerate);
    EXPECT_EQ(jol::ErrorSeverity(3001), jol::kSeverityFatal);
}

} // namespace
