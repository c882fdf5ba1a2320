// The window contract of both backends: window classes, windows and their
// facts, the message queue, the foreground window and the display font.
// The native backend keeps a desktop of its own; the Win32 backend runs
// these tests on Wine's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "platform/desktop.h"
#include "platform/interrupt.h"
#include "platform/modules.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "platform/window_system.h"

namespace {

constexpr unsigned kWmCreate = 0x0001;
constexpr unsigned kWmDestroy = 0x0002;
constexpr unsigned kWmUser = 0x0400;
const char kClass[] = "JolContractWindow";

struct Seen {
    plat::Hwnd window;
    unsigned message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};
std::vector<Seen> g_seen;
void* g_create_param = nullptr;

std::intptr_t JOL_STDCALL Proc(plat::Hwnd w, unsigned message, std::uintptr_t wparam,
                               std::intptr_t lparam) {
    if (message == kWmCreate) {
        // The creation record begins with the caller's parameter.
        g_create_param = *reinterpret_cast<void* const*>(lparam);
        g_seen.push_back({w, message, 0, 0});
        return 0;
    }
    if (message == kWmDestroy || message >= kWmUser) {
        g_seen.push_back({w, message, wparam, lparam});
        return message >= kWmUser ? 42 : 0;
    }
    return plat::def_window_proc(w, message, wparam, lparam);
}

bool SeenMessage(plat::Hwnd w, unsigned message) {
    for (const Seen& s : g_seen)
        if (s.window == w && s.message == message) return true;
    return false;
}

plat::Module Instance() {
    return plat::module_of_address(reinterpret_cast<const void*>(&Proc));
}

class PlatformWindows : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            plat::WindowClass wc;
            wc.name = kClass;
            wc.proc = Proc;
            wc.instance = Instance();
            ASSERT_TRUE(plat::register_class(wc));
            registered = true;
        }
        g_seen.clear();
        Drain();
    }
    static void Drain() {
        plat::Msg m;
        while (plat::peek_message(&m, true)) {
        }
    }
};

TEST_F(PlatformWindows, ClassesAreRegisteredOnce) {
    plat::WindowClass wc;
    wc.name = kClass;
    wc.proc = Proc;
    wc.instance = Instance();
    EXPECT_FALSE(plat::register_class(wc));
    EXPECT_EQ(plat::get_last_error(), plat::err::ClassAlreadyExists);
    EXPECT_EQ(plat::create_window("NoSuchJolClass", "x", plat::ws::OverlappedWindow, 0, 0, 10, 10,
                                  0, Instance(), nullptr),
              0u);
}

TEST_F(PlatformWindows, WindowsKnowTheirFactsAndFamily) {
    int param = 0;
    const plat::Hwnd top =
        plat::create_window(kClass, "Contract window", plat::ws::OverlappedWindow, 10, 20, 300, 200,
                            0, Instance(), &param);
    ASSERT_NE(top, 0u);
    EXPECT_TRUE(SeenMessage(top, kWmCreate));
    EXPECT_EQ(g_create_param, &param);
    EXPECT_TRUE(plat::is_window(top));
    EXPECT_EQ(plat::get_parent(top), 0u);
    plat::Rect r;
    ASSERT_TRUE(plat::get_window_rect(top, &r));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_EQ(plat::get_window_style(top) & plat::ws::OverlappedWindow, plat::ws::OverlappedWindow);
    char title[64];
    EXPECT_EQ(plat::get_window_text(top, title, sizeof title), 15u);
    EXPECT_STREQ(title, "Contract window");
    char small[9];
    EXPECT_EQ(plat::get_window_text(top, small, sizeof small), 8u);
    EXPECT_STREQ(small, "Contract");

    const plat::Hwnd child = plat::create_window(kClass, "", plat::ws::Child | plat::ws::Visible, 1,
                                                 2, 30, 40, top, Instance(), nullptr);
    ASSERT_NE(child, 0u);
    EXPECT_EQ(plat::get_parent(child), top);
    EXPECT_EQ(plat::get_window_style(child) & plat::ws::Child, plat::ws::Child);
    EXPECT_EQ(plat::get_window_text(child, title, sizeof title), 0u);

    // Destroying a window destroys its children, each told so.
    EXPECT_TRUE(plat::destroy_window(top));
    EXPECT_FALSE(plat::is_window(top));
    EXPECT_FALSE(plat::is_window(child));
    EXPECT_TRUE(SeenMessage(top, kWmDestroy));
    EXPECT_TRUE(SeenMessage(child, kWmDestroy));
    EXPECT_FALSE(plat::destroy_window(top));
    EXPECT_FALSE(plat::get_window_rect(top, &r));
    EXPECT_EQ(plat::get_window_text(top, title, sizeof title), 0u);
    EXPECT_FALSE(plat::is_window(0));
}

TEST_F(PlatformWindows, MessagesQueueInOrderAndReachTheirWindow) {
    const plat::Hwnd w = plat::create_window(kClass, "queue", plat::ws::OverlappedWindow, 0, 0, 100,
                                             100, 0, Instance(), nullptr);
    ASSERT_NE(w, 0u);
    Drain();
    plat::Msg m;
    EXPECT_FALSE(plat::peek_message(&m, false));
#if !defined(_WIN32)
    // Only the native backend can tell without looking that nothing waits.
    EXPECT_TRUE(plat::nothing_to_poll());
#endif
    ASSERT_TRUE(plat::post_message(w, kWmUser + 1, 11, 12));
    ASSERT_TRUE(plat::post_message(w, kWmUser + 2, 21, 22));
    EXPECT_FALSE(plat::nothing_to_poll());

    // A look without removing leaves the message first in line.
    ASSERT_TRUE(plat::peek_message(&m, false));
    EXPECT_EQ(m.message, kWmUser + 1);
    ASSERT_TRUE(plat::peek_message(&m, true));
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(m.message, kWmUser + 1);
    EXPECT_EQ(m.wparam, 11u);
    EXPECT_EQ(m.lparam, 12);
    plat::translate_message(&m);
    EXPECT_EQ(plat::dispatch_message(&m), 42);
    EXPECT_TRUE(SeenMessage(w, kWmUser + 1));
    ASSERT_TRUE(plat::peek_message(&m, true));
    EXPECT_EQ(m.message, kWmUser + 2);
    EXPECT_FALSE(plat::peek_message(&m, true));

    // The quit request comes through the queue with its code.
    plat::post_quit_message(5);
    ASSERT_TRUE(plat::peek_message(&m, true));
    EXPECT_EQ(m.message, plat::kWmQuit);
    EXPECT_EQ(m.wparam, 5u);

    // An interrupt request waiting also counts as something to look at.
    plat::request_cancel();
    EXPECT_FALSE(plat::nothing_to_poll());
    EXPECT_TRUE(plat::cancel_requested());

    EXPECT_TRUE(plat::destroy_window(w));
    EXPECT_FALSE(plat::post_message(w, kWmUser, 0, 0));
}

TEST_F(PlatformWindows, ForegroundAndDisplayFont) {
    EXPECT_FALSE(plat::set_foreground_window(0));
    const plat::Hwnd w = plat::create_window(kClass, "front", plat::ws::OverlappedWindow, 0, 0, 100,
                                             100, 0, Instance(), nullptr);
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(plat::destroy_window(w));
    EXPECT_FALSE(plat::set_foreground_window(w));

    plat::TextMetrics tm;
    ASSERT_TRUE(plat::system_fixed_font_metrics(&tm));
    EXPECT_GT(tm.height, 0);
    EXPECT_EQ(tm.height, tm.ascent + tm.descent);
    EXPECT_GT(tm.ave_char_width, 0);
    EXPECT_LE(tm.ave_char_width, tm.max_char_width);
    EXPECT_FALSE(plat::system_fixed_font_metrics(nullptr));
}

} // namespace

// A window whose process cannot be waited for (none here: the handle names
// no window) is not "still busy": the keystroke and menu functions wait in
// a loop for as long as it is.
TEST(PlatformDesktop, NoProcessToWaitForIsNotBusy) {
    EXPECT_EQ(plat::desk::wait_input_idle(plat::handle_from_id(0x0FFFFFF0u), 100), -1);
}
