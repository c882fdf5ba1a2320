// The find and activate steps on a real desktop: run when JOL_DESKTOP_TITLES
// names two top-level windows of the test desktop ("first|second"), each
// with a title of its own, that the test may bring to the front.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "lib/desktop/window_find.h"
#include "platform/desktop.h"
#include "tests/unit/script_rig.h"

namespace {

bool Titles(std::string* first, std::string* second) {
    const char* v = std::getenv("JOL_DESKTOP_TITLES");
    if (!v) return false;
    const std::string s = v;
    const std::size_t bar = s.find('|');
    if (bar == std::string::npos) return false;
    *first = s.substr(0, bar);
    *second = s.substr(bar + 1);
    return true;
}

TEST(DesktopFind, FindsActivatesAndReadsBack) {
    std::string first, second;
    if (!Titles(&first, &second)) GTEST_SKIP() << "no test desktop";
    test::ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    jol::ScriptContext* ctx = rig.Bind();
    ctx->options.window_wait_retries = -1;

    const plat::Hwnd a = jol::FindWindowOnce(ctx, (first + "~").c_str());
    const plat::Hwnd b = jol::FindWindowOnce(ctx, (second + "~").c_str());
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(plat::desk::title(a), first);
    // The WinId names the same window.
    char id[17];
    ASSERT_TRUE(jol::MakeWinId(a, id));
    EXPECT_EQ(jol::FindWindowOnce(ctx, id), a);

    // Each comes to the front, confirmed by the system's own answer.
    ASSERT_TRUE(jol::ActivateWindow(ctx, a));
    EXPECT_EQ(plat::desk::foreground(), a);
    ASSERT_TRUE(jol::ActivateWindow(ctx, b));
    EXPECT_EQ(plat::desk::foreground(), b);
    // The top of the stacking order is the one activated last.
    EXPECT_EQ(jol::FindWindowOnce(ctx, ("~" + second.substr(1)).c_str()), b);
    EXPECT_EQ(jol::FindWindowOnce(ctx, "no such window at all~"), 0u);
}

} // namespace
