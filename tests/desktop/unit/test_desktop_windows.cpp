// The window and placement functions on the test desktop, against windows
// the tests make: top-level windows of their own on Windows, xterms on X.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/context/message_pump.h"
#include "lib/desktop/window_find.h"
#include "lib/desktop/window_functions.h"
#include "lib/desktop/window_placement.h"
#include "platform/desktop.h"
#include "platform/environment.h"
#include "platform/window_system.h"
#include "tests/unit/data_handler_rig.h"

namespace {

constexpr int kWinPlaceGet = 435;
constexpr int kWinPlaceSet = 436;
constexpr int kWinPlace = 434;
constexpr int kWinItemize = 428;
constexpr int kWinItemNameId = 429;

// A top-level window titled title, until the end of the test.
class TestWindow {
public:
    explicit TestWindow(const std::string& title) : title_(title) {
#ifdef _WIN32
        static bool registered = false;
        if (!registered) {
            plat::WindowClass wc;
            wc.name = "JolDesktopTest";
            wc.proc = plat::def_window_proc;
            wc.background = 6;
            registered = plat::register_class(wc);
        }
        handle_ = plat::create_window("JolDesktopTest", title.c_str(),
                                      plat::ws::OverlappedWindow | plat::ws::Visible, 100, 100, 400,
                                      300, 0, 0, nullptr);
#else
        const std::string pid_file = "/tmp/jol_desktop_test_" + std::to_string(std::rand());
        const std::string cmd =
            "xterm -geometry 60x20+50+50 -T '" + title + "' & echo $! > " + pid_file;
        if (std::system(cmd.c_str()) == 0) {
            std::ifstream f(pid_file);
            f >> pid_;
        }
        std::remove(pid_file.c_str());
        jol::ScriptContext ctx{};
        ctx.options.window_wait_retries = -1;
        for (int i = 0; i < 100 && !handle_; ++i) {
            handle_ = jol::FindWindowOnce(&ctx, (title + "~").c_str());
            if (!handle_) plat::sleep_ms(100);
        }
        // The window manager gives a new window the focus once it has
        // managed it: wait for that, so that it takes nothing later.
        for (int i = 0; i < 40 && handle_ && plat::desk::foreground() != handle_; ++i)
            plat::sleep_ms(50);
#endif
    }
    ~TestWindow() {
#ifdef _WIN32
        if (handle_) plat::destroy_window(handle_);
#else
        if (pid_) std::system(("kill " + std::to_string(pid_)).c_str());
#endif
    }
    plat::Hwnd handle() const {
        return handle_;
    }
    std::string id() const {
        char out[17] = {};
        jol::MakeWinId(handle_, out);
        return out;
    }

private:
    std::string title_;
    plat::Hwnd handle_ = 0;
    long pid_ = 0;
};

TEST(DesktopWindows, FindsActivatesAndReadsBack) {
    const std::string first = "JOL desktop first " + std::to_string(std::rand());
    const std::string second = "JOL desktop second " + std::to_string(std::rand());
    TestWindow a(first), b(second);
    ASSERT_NE(a.handle(), 0u);
    ASSERT_NE(b.handle(), 0u);
    test::HandlerRig rig;
    jol::ScriptContext* ctx = rig.ctx();
    ctx->options.window_wait_retries = -1;

    EXPECT_EQ(jol::FindWindowOnce(ctx, (first + "~").c_str()), a.handle());
    EXPECT_EQ(plat::desk::title(a.handle()), first);
    EXPECT_EQ(jol::FindWindowOnce(ctx, a.id().c_str()), a.handle());
    EXPECT_EQ(jol::FindWindowOnce(ctx, ("~" + second.substr(4) + "~").c_str()), b.handle());

    // Each comes to the front, as the system itself tells.
    ASSERT_TRUE(jol::ActivateWindow(ctx, a.handle()));
    EXPECT_EQ(plat::desk::foreground(), a.handle());
    ASSERT_TRUE(jol::ActivateWindow(ctx, b.handle()));
    EXPECT_EQ(plat::desk::foreground(), b.handle());
    EXPECT_EQ(jol::ActivateByName(ctx, first.c_str()), 1);
    EXPECT_EQ(plat::desk::foreground(), a.handle());
}

// A script reads a window's state on the line after asking for it
// (WinIconize then WinState, RunZoom then WinPlace): by then each request
// has been carried out, however busy the window manager, every time.
TEST(DesktopWindows, StateRequestsAreDoneByTheNextLine) {
    TestWindow a("JOL desktop states " + std::to_string(std::rand()));
    ASSERT_NE(a.handle(), 0u);
    test::HandlerRig rig;
    namespace desk = plat::desk;
    const auto ask = [&](desk::Command c) {
        const bool asked = desk::command(a.handle(), c);
        jol::PumpMessagesExclusive(rig.ctx()); // the look before the next line
        return asked;
    };
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(ask(desk::Command::Minimize));
        EXPECT_TRUE(desk::is_minimized(a.handle()));
        ASSERT_TRUE(ask(desk::Command::Maximize));
        EXPECT_TRUE(desk::is_maximized(a.handle()));
        EXPECT_FALSE(desk::is_minimized(a.handle()));
        ASSERT_TRUE(ask(desk::Command::Restore));
        EXPECT_FALSE(desk::is_maximized(a.handle()));
        EXPECT_FALSE(desk::is_minimized(a.handle()));
    }
}

// The listings walk the desktop's windows through the library's
// enumeration callbacks: both windows are there, each once, with its WinId.
TEST(DesktopWindows, ListingsNameEveryWindowOnce) {
    const std::string first = "JOL desktop listed " + std::to_string(std::rand());
    const std::string second = "JOL desktop also listed " + std::to_string(std::rand());
    TestWindow a(first), b(second);
    ASSERT_NE(a.handle(), 0u);
    ASSERT_NE(b.handle(), 0u);
    test::HandlerRig rig;
    const auto count = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1))
            ++n;
        return n;
    };
    const test::HandlerResult titles = rig.Call(jol::kWindowModule, kWinItemize, {});
    EXPECT_EQ(titles.error, 0);
    EXPECT_EQ(count(titles.s, first + "\t"), 1) << titles.s;
    EXPECT_EQ(count(titles.s, second + "\t"), 1) << titles.s;
    const test::HandlerResult ids = rig.Call(jol::kWindowModule, kWinItemNameId, {});
    EXPECT_EQ(ids.error, 0);
    EXPECT_EQ(count(ids.s, first + "|" + a.id() + "|"), 1) << ids.s;
    EXPECT_EQ(count(ids.s, second + "|" + b.id() + "|"), 1) << ids.s;
}

// Reads "x y ..." numbers.
std::vector<int> Numbers(const std::string& s) {
    std::vector<int> out;
    const char* p = s.c_str();
    char* end = nullptr;
    for (long v = std::strtol(p, &end, 10); end != p; v = std::strtol(p, &end, 10)) {
        out.push_back(static_cast<int>(v));
        p = end;
    }
    return out;
}

TEST(DesktopWindows, PlaceSetReadsUpToFourIntegersAndClamps) {
    TestWindow w("JOL desktop placement " + std::to_string(std::rand()));
    ASSERT_NE(w.handle(), 0u);
    test::HandlerRig rig;
    rig.ctx()->options.window_wait_retries = -1;
    const jol::Module& m = jol::kPlacementModule;
    // Anything but two or four integers is the count error, never a guess.
    for (const char* bad : {"1 2 x 4", "10 20 30", "10 20 27981 30", "", "1.5 2 3 4"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(rig.Call(m, kWinPlaceSet, {2, w.id(), bad}).error, 3202);
    }
    EXPECT_EQ(rig.Call(m, kWinPlaceSet, {0, w.id(), "1 2"}).error, 3199);
    // A 256-character text is read to its fourth number and no further.
    std::string longest = "100 100 500 500";
    while (longest.size() < 256)
        longest += " 9";
    EXPECT_EQ(rig.Call(m, kWinPlaceSet, {2, w.id(), longest}).error, 0);
    // The result is the placement before the change.
    const test::HandlerResult r = rig.Call(m, kWinPlaceSet, {2, w.id(), "-5000 -5000 99999 99999"});
    EXPECT_EQ(r.error, 0);
    std::vector<int> before = Numbers(r.s);
    ASSERT_EQ(before.size(), 4u);
#ifdef _WIN32
    // The system keeps the normal rectangle's corner as given, within the
    // rounding of the virtual screen, and limits its size to what a window
    // may have: clamped, the far corner lies right of and below the near
    // one (unclamped it would wrap around to the left).
    EXPECT_NEAR(before[0], 100, 2);
    EXPECT_NEAR(before[3], 500, 2);
    std::vector<int> now = Numbers(rig.Call(m, kWinPlaceGet, {2, w.id()}).s);
    ASSERT_EQ(now.size(), 4u);
    EXPECT_NEAR(now[0], -1000, 2);
    EXPECT_NEAR(now[1], -1000, 2);
    EXPECT_GT(now[2], now[0]);
    EXPECT_GT(now[3], now[1]);
#endif
}

TEST(DesktopWindows, PlaceDownToTheBottomNeverGivesANegativeHeight) {
    TestWindow w("JOL desktop bottom " + std::to_string(std::rand()));
    ASSERT_NE(w.handle(), 0u);
    test::HandlerRig rig;
    rig.ctx()->options.window_wait_retries = -1;
    // A window placed below the usable screen's bottom.
    EXPECT_EQ(rig.Call(jol::kPlacementModule, kWinPlace, {0, 990, 500, 1, w.id()}).error, 0);
    plat::Rect r;
    ASSERT_TRUE(plat::desk::window_rect(w.handle(), &r));
    EXPECT_GT(r.bottom - r.top, 0);
    // Only moved: the size stays.
    plat::Rect before = r;
    EXPECT_EQ(rig.Call(jol::kPlacementModule, kWinPlace, {100, 100, 0, 0, w.id()}).error, 0);
    ASSERT_TRUE(plat::desk::window_rect(w.handle(), &r));
    EXPECT_EQ(r.right - r.left, before.right - before.left);
    EXPECT_EQ(r.bottom - r.top, before.bottom - before.top);
}

} // namespace
