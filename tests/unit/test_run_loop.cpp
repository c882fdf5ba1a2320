// The run loop and ProcessDaBatBuffer: what a run reads, runs, reports and
// leaves in the context.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/context/message_pump.h"
#include "platform/environment.h"
#include "platform/interrupt.h"
#include "platform/memory.h"
#include "platform/modules.h"
#include "platform/window_system.h"
#include "tests/unit/script_rig.h"
#include "tests/unit/test_errors.h"

namespace {

using test::ScriptRig;
using test::Utf16;

TEST(RunLoop, ProcessDaBatBufferRunsAndReleasesTheBlocks) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    const std::uint32_t empty_heap = rig.HeapFree();

    EXPECT_EQ(rig.Run("a = 1\r\n; a comment\r\n\r\n  b = a + 1\r\n\"left over\"\r\n"), 1);
    EXPECT_EQ(rig.Var("a"), "1");
    EXPECT_EQ(rig.Var("b"), "2");
    jol::LastRun last = rig.LastRun();
    EXPECT_EQ(last.result, 1);
    EXPECT_EQ(last.error, 0);

    jol::ScriptContext* ctx = rig.Lock();
    EXPECT_EQ(ctx->vars, nullptr);
    EXPECT_EQ(ctx->heap.base, nullptr);
    EXPECT_EQ(ctx->current_line, nullptr);
    EXPECT_EQ(ctx->error_mode, 1);
    EXPECT_EQ(plat::mem_lock_count(ctx->vars_handle), 0u);
    EXPECT_EQ(plat::mem_lock_count(ctx->heap.handle), 0u);
    EXPECT_EQ(plat::mem_lock_count(rig.context()), 1u);
    rig.Unlock();
    // The string of the last statement does not outlive the run.
    EXPECT_EQ(rig.HeapFree(), empty_heap);

    // A script of comments, or ending in a label alone, reaches its end.
    EXPECT_EQ(rig.Run(";only\r\n"), 1);
    EXPECT_EQ(rig.LastRun().result, 1);
    EXPECT_EQ(rig.Run("c = 3\r\n:the_end"), 1);
    EXPECT_EQ(rig.LastRun().result, 1);
    EXPECT_EQ(rig.Run(""), 1);
    EXPECT_EQ(rig.LastRun().result, 1);
    // A label line runs the statement after the label.
    EXPECT_EQ(rig.Run(":start\td = 4 ; set d\r\n"), 1);
    EXPECT_EQ(rig.Var("d"), "4");
}

TEST(RunLoop, ProcessDaBatBufferRefusesWhatItCannotRun) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    plat::MemHandle block = ScriptRig::Block("x = 1\r\n");
    EXPECT_EQ(ProcessDaBatBuffer(0, 0, block, nullptr, nullptr), 0);
    EXPECT_EQ(ProcessDaBatBuffer(0, block, block, nullptr, nullptr), 0); // too small for a context
    EXPECT_EQ(ProcessDaBatBuffer(0, rig.context(), 0, nullptr, nullptr), 0);
    plat::mem_free(block);

    // Text without its zero byte, and text over 65520 bytes.
    block = plat::mem_alloc(16);
    std::memset(plat::mem_lock(block), 'x', plat::mem_size(block));
    plat::mem_unlock(block);
    EXPECT_EQ(ProcessDaBatBuffer(0, rig.context(), block, nullptr, nullptr), 0);
    plat::mem_free(block);
    std::string lines;
    while (lines.size() < 65520)
        lines += ";\r\n";
    ASSERT_EQ(lines.size(), 65520u);
    EXPECT_EQ(rig.Run(lines + ";"), 0);
    EXPECT_EQ(rig.Run(lines), 1);
    EXPECT_EQ(rig.LastRun().result, 1);
    // A byte-order mark and no text: nothing to convert.
    EXPECT_EQ(rig.Run("\xFF\xFE"), 0);
    EXPECT_EQ(rig.Var("x"), "<none>");

    jol::ScriptContext* ctx = rig.Lock();
    EXPECT_EQ(plat::mem_lock_count(ctx->vars_handle), 0u);
    EXPECT_EQ(plat::mem_lock_count(ctx->heap.handle), 0u);
    rig.Unlock();
}

TEST(RunLoop, Utf16BlocksAreMeasuredByUnitsAndTerminated) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    // More than 65535 bytes of UTF-16 whose first zero byte is the third
    // byte: the text is measured to its zero unit and converted whole.
    std::u16string text;
    while (text.size() < 40000)
        text += u"; comment line\r\n";
    text += u"x = 5\r\ny = \"\u00E9\"\r\n";
    const std::string wide = Utf16(text);
    ASSERT_GT(wide.size(), 65535u);
    plat::MemHandle block = ScriptRig::Block(wide);
    EXPECT_EQ(ProcessDaBatBuffer(0, rig.context(), block, nullptr, nullptr), 1);
    EXPECT_EQ(rig.Var("x"), "5");
    EXPECT_EQ(rig.Var("y"), "\xE9");
    // The converted text is terminated where it ends.
    const char* converted = static_cast<const char*>(plat::mem_lock(block));
    EXPECT_EQ(std::strlen(converted), text.size());
    plat::mem_unlock(block);
    plat::mem_free(block);

    // UTF-16 text that converts to more than 65520 bytes is refused.
    EXPECT_EQ(rig.Run(Utf16(std::u16string(65521, u';'))), 0);
}

TEST(RunLoop, StatementErrorsAreReportedWithTheirLine) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run("a = 1\r\nb = (2\r\nc = 3\r\n"), 1);
    std::string box = testing::internal::GetCapturedStderr();
    jol::LastRun last = rig.LastRun();
    EXPECT_EQ(last.result, 0);
    EXPECT_GT(last.error, 3000);
    EXPECT_NE(box.find("b = (2"), std::string::npos) << box;
    EXPECT_NE(box.find(std::to_string(last.error) + ":  "), std::string::npos) << box;
    EXPECT_EQ(rig.Var("c"), "<none>");
    // The line start of the failing line is kept.
    EXPECT_EQ(last.line_start, 7u);

    // A substitution that fails stops the run as well.
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run("d = \"%a\"\r\ne = 1\r\n"), 1);
    box = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rig.LastRun().result, 0);
    EXPECT_EQ(rig.LastRun().error, jol::Err::SubstNotClosed);
    EXPECT_NE(box.find("d = \"%a\""), std::string::npos) << box;
    EXPECT_EQ(rig.Var("e"), "<none>");

    // ...except inside a structure that is being skipped.
    EXPECT_EQ(rig.Run("IF 0 THEN\r\n  f = \"%nope\"\r\nENDIF\r\ng = \"%a%\"\r\n"), 1);
    EXPECT_EQ(rig.LastRun().result, 1);
    EXPECT_EQ(rig.Var("g"), "1");

    // A line too long stops the run; the host sees why.
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run("h = 1\r\n" + std::string(300, ' ') + std::string(257, 'x') + "\r\ni = 2"),
              1);
    box = testing::internal::GetCapturedStderr();
    EXPECT_NE(box.find("Line too long (>256 characters)"), std::string::npos) << box;
    EXPECT_EQ(rig.LastRun().result, 0);
    EXPECT_EQ(rig.LastRun().error, jol::Err::LineTooLong);
    EXPECT_EQ(rig.Var("h"), "1");
    EXPECT_EQ(rig.Var("i"), "<none>");

    // A minor error ignored with @off stays pending until the next
    // statement; a substitution or a line fetch that fails before it is
    // reported as itself.
    const std::string ignored = "ErrorMode(@OFF)\r\nFileDelete(\"no such file.txt\")\r\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run(ignored + "l = \"%a\"\r\n"), 1);
    box = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rig.LastRun().result, 0);
    EXPECT_EQ(rig.LastRun().error, jol::Err::SubstNotClosed);
    EXPECT_NE(box.find(std::to_string(jol::ErrNumber(jol::Err::SubstNotClosed)) + ":  "),
              std::string::npos)
        << box;
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run(ignored + std::string(257, 'x') + "\r\nm = 2"), 1);
    box = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rig.LastRun().result, 0);
    EXPECT_EQ(rig.LastRun().error, jol::Err::LineTooLong);
    EXPECT_EQ(rig.Var("m"), "<none>");
    // At the end of the script the ignored error is what the run leaves.
    EXPECT_EQ(rig.Run(ignored), 1);
    EXPECT_EQ(rig.LastRun().result, 1);
    EXPECT_EQ(rig.LastRun().error, jol::Err::FileDeleteNotFound);

    // RETURN with no GOSUB ends the run with -1.
    EXPECT_EQ(rig.Run("j = 1\r\nRETURN\r\nk = 2\r\n"), 1);
    EXPECT_EQ(rig.LastRun().result, -1);
    EXPECT_EQ(rig.Var("k"), "<none>");
}

struct Notes {
    int lines = 0;
    std::vector<std::string> texts;
    std::vector<unsigned> starts;
    int cancel_after = 0; // sets the cancel flag after that many lines, as a host does
    plat::MemHandle context = 0;
    int nested = -1;
    bool try_nested = false;
};
Notes g_notes;

std::int32_t JOL_STDCALL LineNotes(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                   jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg a8,
                                   jol::ExtArg, jol::ExtArg a10, jol::ExtArg, jol::ExtArg) {
    if (request != jol::notify::Poll) return 0;
    const char* text = reinterpret_cast<const char*>(a8);
    g_notes.texts.push_back(text ? text : "");
    if (text && !std::strcmp(text, "2")) {
        ++g_notes.lines;
        g_notes.starts.push_back(static_cast<unsigned>(a10));
        if (g_notes.try_nested && g_notes.nested < 0) {
            plat::MemHandle b = ScriptRig::Block("n = 1\r\n");
            g_notes.nested = ProcessDaBatBuffer(0, g_notes.context, b, nullptr, nullptr);
            plat::mem_free(b);
        }
        if (g_notes.cancel_after && g_notes.lines >= g_notes.cancel_after) {
            auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(g_notes.context));
            ctx->cancel = 1;
            ctx->report_cancel = 0;
            plat::mem_unlock(g_notes.context);
        }
    }
    return 0;
}

TEST(RunLoop, LineNotificationsAndNestedRuns) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    rig.Lock()->hook_flags = 2;
    rig.Unlock();
    g_notes = Notes{};
    g_notes.context = rig.context();
    g_notes.try_nested = true;
    EXPECT_EQ(rig.Run("a = 1\r\n; no note\r\n  b = 2\r\n", &LineNotes), 1);
    EXPECT_EQ(g_notes.lines, 2);
    EXPECT_EQ(g_notes.starts, (std::vector<unsigned>{0, 20}));
    // A run of a context that is running already is refused.
    EXPECT_EQ(g_notes.nested, 0);
    EXPECT_EQ(rig.Var("n"), "<none>");
    EXPECT_EQ(rig.Var("b"), "2");

    // Poll notifications: one for every look between lines (comments
    // included) and one for each look before and after the run, also while
    // the queue is empty.
    rig.Lock()->hook_flags = 1;
    rig.Unlock();
    g_notes = Notes{};
    EXPECT_EQ(rig.Run("a = 1\r\n; no note\r\n  b = 2\r\n", &LineNotes), 1);
    EXPECT_EQ(g_notes.texts, (std::vector<std::string>(5, "1")));
}

TEST(RunLoop, CancelRequestsEndTheRun) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    const std::string endless = "i = 0\r\n:top\r\ni = i + 1\r\nGOTO top\r\n";

    // The console interrupt counts as Ctrl+Break: the run ends with the
    // cancel box.
    plat::request_cancel();
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run(endless), 1);
    std::string box = testing::internal::GetCapturedStderr();
    EXPECT_NE(box.find("192:  Execution ended"), std::string::npos) << box;
    EXPECT_NE(box.find("Execution terminated by user request or error"), std::string::npos) << box;
    EXPECT_EQ(rig.LastRun().result, 0);
    EXPECT_EQ(rig.Var("i"), "<none>");

    // Termination flag 4: no box. The request is taken once.
    rig.Lock()->options.termination_flags = jol::termination::NoCancelBox;
    rig.Unlock();
    plat::request_cancel();
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run(endless), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(plat::cancel_requested());

    // Termination flag 8: the interrupt has no effect; the host stops the
    // run silently through the cancel flag.
    rig.Lock()->options.termination_flags = jol::termination::IgnoreBreak;
    rig.Lock()->hook_flags = 2;
    rig.Unlock();
    rig.Unlock();
    g_notes = Notes{};
    g_notes.context = rig.context();
    g_notes.cancel_after = 40;
    plat::request_cancel();
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.Run(endless, &LineNotes), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(g_notes.lines, 40);
    EXPECT_EQ(rig.LastRun().result, 0);
    EXPECT_FALSE(plat::cancel_requested());
    EXPECT_GE(std::atoi(rig.Var("i").c_str()), 19);
}

// A host window posted to while a tight loop runs: the run loop does not
// look at the queue before every line, but the window is still serviced
// while the loop goes on.
constexpr unsigned kHostPing = 0x8000 + 7; // an application message
struct Ping {
    plat::Hwnd window = 0;
    int line_posted = 0;
    int line_served = 0; // the line notified first after the window saw it
    bool served = false;
    int lines = 0;
    plat::MemHandle context = 0;
};
Ping g_ping;

std::intptr_t JOL_STDCALL PingProc(plat::Hwnd w, unsigned message, std::uintptr_t wparam,
                                   std::intptr_t lparam) {
    if (message == kHostPing) {
        g_ping.served = true;
        return 0;
    }
    return plat::def_window_proc(w, message, wparam, lparam);
}

std::int32_t JOL_STDCALL PingLines(jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg request,
                                   jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg a8,
                                   jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    const char* text = reinterpret_cast<const char*>(a8);
    if (request != jol::notify::Poll || !text || std::strcmp(text, "2")) return 0;
    ++g_ping.lines;
    if (g_ping.lines == 50) {
        plat::post_message(g_ping.window, kHostPing, 0, 0);
        g_ping.line_posted = g_ping.lines;
    }
    // The run stops once the window has seen the message, or, should it
    // never see it, after ten million lines.
    if ((g_ping.served && !g_ping.line_served) || g_ping.lines >= 10000000) {
        if (g_ping.served) g_ping.line_served = g_ping.lines;
        auto* ctx = static_cast<jol::ScriptContext*>(plat::mem_lock(g_ping.context));
        ctx->cancel = 1;
        ctx->report_cancel = 0;
        plat::mem_unlock(g_ping.context);
    }
    return 0;
}

TEST(RunLoop, HostWindowsAreServicedWhileALoopRuns) {
    plat::WindowClass wc;
    wc.name = "JolRunLoopPing";
    wc.proc = PingProc;
    wc.instance = plat::module_of_address(reinterpret_cast<const void*>(&PingProc));
    ASSERT_TRUE(plat::register_class(wc));
    g_ping = Ping{};
    g_ping.window = plat::create_window(wc.name, "ping", plat::ws::OverlappedWindow, 0, 0, 50, 50,
                                        0, wc.instance, nullptr);
    ASSERT_NE(g_ping.window, 0u);

    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    rig.Lock()->hook_flags = 2;
    rig.Lock()->options.termination_flags = jol::termination::NoCancelBox;
    rig.Unlock();
    rig.Unlock();
    g_ping.context = rig.context();
    EXPECT_EQ(rig.Run("i = 0\r\n:top\r\ni = i + 1\r\nGOTO top\r\n", &PingLines), 1);
    EXPECT_TRUE(g_ping.served);
    EXPECT_GT(g_ping.line_served, g_ping.line_posted);
    EXPECT_LT(g_ping.lines, 10000000);
    plat::destroy_window(g_ping.window);
}

TEST(RunLoop, PollCancelKeysTakesTheInterrupt) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();
    jol::PollCancelKeys(ctx);
    EXPECT_EQ(ctx->cancel, 0);
    plat::request_cancel();
    jol::PollCancelKeys(ctx);
    EXPECT_EQ(ctx->cancel, 1);
    ctx->cancel = 0;
    jol::PollCancelKeys(ctx);
    EXPECT_EQ(ctx->cancel, 0);
#if !defined(_WIN32)
    // The terminal's Ctrl+C reaches the script as the same request.
    plat::watch_interrupt();
    std::raise(SIGINT);
    jol::PollCancelKeys(ctx);
    EXPECT_EQ(ctx->cancel, 1);
#endif
}

#if !defined(_WIN32)
TEST(RunLoop, LineTraceGoesToTheDebuggerOutsideQuietMode) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    plat::set_env("JOL_DEBUG_OUTPUT", "1");
    rig.Lock()->options.line_trace = 1;
    rig.Unlock();
    testing::internal::CaptureStderr();
    rig.Run("x = 1\r\n;quiet\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ">>>>>x = 1<<<<<\r\n");
    rig.Lock()->options.quiet = 1;
    rig.Unlock();
    testing::internal::CaptureStderr();
    rig.Run("x = 1\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    plat::set_env("JOL_DEBUG_OUTPUT", nullptr);
}
#endif

} // namespace
