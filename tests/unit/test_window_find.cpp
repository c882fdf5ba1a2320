// The title rule and the WinId form of the window functions: no desktop
// needed.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "lib/desktop/window_find.h"
#include "lib/desktop/window_functions.h"
#include "lib/desktop/window_placement.h"
#include "platform/text.h"
#include "platform/window_system.h"
#include "tests/unit/data_handler_rig.h"

namespace {

using jol::TitleMatches;

TEST(WindowFind, TitleRuleForms) {
    // Prefix: the start of the title, case-sensitive, never longer than it.
    EXPECT_TRUE(TitleMatches("Alpha Beta", "Alpha"));
    EXPECT_TRUE(TitleMatches("Alpha Beta", "A"));
    EXPECT_TRUE(TitleMatches("Alpha Beta", "Alpha Beta"));
    EXPECT_FALSE(TitleMatches("Alpha Beta", "alpha"));
    EXPECT_FALSE(TitleMatches("Alpha", "Alpha Beta"));
    EXPECT_FALSE(TitleMatches("Alpha Beta", "Beta"));
    // Exact: the text before the final tilde, the whole title.
    EXPECT_TRUE(TitleMatches("Alpha", "Alpha~"));
    EXPECT_FALSE(TitleMatches("Alpha Beta", "Alpha~"));
    // Inner: anywhere in the title.
    EXPECT_TRUE(TitleMatches("Alpha Beta", "~ha B"));
    EXPECT_TRUE(TitleMatches("Alpha Beta", "~Alpha"));
    EXPECT_FALSE(TitleMatches("Alpha Beta", "~beta"));
    // Suffix: an occurrence that ends the title, found past earlier ones.
    EXPECT_TRUE(TitleMatches("ab ab", "~ab~"));
    EXPECT_TRUE(TitleMatches("Alpha Beta", "~Beta~"));
    EXPECT_FALSE(TitleMatches("Beta Alpha", "~Beta~"));
    // A lone tilde is a prefix pattern of one character.
    EXPECT_TRUE(TitleMatches("~home", "~"));
    EXPECT_FALSE(TitleMatches("home", "~"));
}

TEST(WindowFind, TitlesThatNeverMatch) {
    EXPECT_FALSE(TitleMatches("", "~"));
    EXPECT_FALSE(TitleMatches("", "~~"));
    EXPECT_FALSE(TitleMatches("", ""));
    EXPECT_FALSE(TitleMatches("WinOldAp", "Win"));
    EXPECT_FALSE(TitleMatches("WinOldAp", "WinOldAp~"));
    // Child windows keep that title.
    EXPECT_TRUE(TitleMatches("WinOldAp", "Win", true));
    EXPECT_FALSE(TitleMatches("", "x", true));
}

TEST(WindowFind, LongTitlesAreComparedWhole) {
    // A 200-character title matches its exact and suffix forms.
    std::string title(190, 'x');
    title += "0123456789";
    EXPECT_TRUE(TitleMatches(title.c_str(), (title + "~").c_str()));
    EXPECT_TRUE(TitleMatches(title.c_str(), "~789~"));
    EXPECT_FALSE(TitleMatches(title.c_str(), (title.substr(0, 127) + "~").c_str()));
}

TEST(WindowFind, WinIdForm) {
    char id[17];
    ASSERT_TRUE(jol::MakeWinId(0x1A2B3C, id));
    EXPECT_STREQ(id, "#WIN$ID#001A2B3C");
    EXPECT_TRUE(jol::IsWinId(id));
    EXPECT_FALSE(jol::IsWinId("#WIN$ID#001A2B3"));
    EXPECT_FALSE(jol::IsWinId("#win$id#001A2B3C"));
    // Not a window: nothing is found, whatever the digits.
    EXPECT_EQ(jol::WinIdWindow("#WIN$ID#001A2B3C"), 0u);
    EXPECT_EQ(jol::WinIdWindow("#WIN$ID#0000XYZ0"), 0u);
}

TEST(WindowFind, WinIdKeepsHandlesWithTheHighBit) {
    // A handle with bit 31 set (the library's own windows natively, handles
    // of the 64-bit system sign-extended) makes the round trip.
    const plat::Hwnd high = plat::handle_from_id(0xE0000010u);
    char id[17];
    ASSERT_TRUE(jol::MakeWinId(high, id));
    EXPECT_STREQ(id, "#WIN$ID#E0000010");
    if (sizeof(plat::Hwnd) > 4) {
        // A handle with more than 32 significant bits has no WinId.
        const plat::Hwnd wide = static_cast<plat::Hwnd>(0x1E0000010ull);
        if (plat::handle_from_id(0xE0000010u) != wide) {
            EXPECT_FALSE(jol::MakeWinId(wide, id));
            EXPECT_STREQ(id, "");
        }
    }
}

} // namespace

namespace {

// A wait for a window that never comes gives up with 0 and no error, and
// not before the seconds asked have passed (how much later depends on the
// machine's load, so it is not checked).
TEST(WindowFind, WaitExistWaitsTheTimeAsked) {
    test::HandlerRig rig;
    const auto start = std::chrono::steady_clock::now();
    const test::HandlerResult r =
        rig.Call(jol::kWindowModule, 446, {"no such window anywhere~", 1});
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 0);
    EXPECT_GE(ms, 950);
}

} // namespace

namespace {

// The arrangements of a 1024-pixel screen with 4-pixel frames, an 18-pixel
// caption and the usable screen ending at 700: the margins make M = N = 4
// (M + F a multiple of 8), R = 1020, Bot = 696, W = 1016, H = 692, the
// half boundary 516, the thirds 343 and 684.
TEST(WindowFind, ArrangeGeometries) {
    jol::ArrangeMetrics m;
    m.screen_width = 1024;
    m.frame_width = 4;
    m.frame_height = 4;
    m.caption = 18;
    m.default_bottom = 700;
    auto same = [](const std::vector<plat::Rect>& got, const std::vector<plat::Rect>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i].left, want[i].left);
            EXPECT_EQ(got[i].top, want[i].top);
            EXPECT_EQ(got[i].right, want[i].right);
            EXPECT_EQ(got[i].bottom, want[i].bottom);
        }
    };
    // Three columns of full height.
    same(jol::ArrangeRects(m, 3, 'C'), {{4, 4, 336, 696}, {340, 4, 680, 696}, {684, 4, 1020, 696}});
    // Three rows, each starting N below the end of the one above.
    same(jol::ArrangeRects(m, 3, 'R'),
         {{4, 4, 1020, 230}, {4, 234, 1020, 461}, {4, 465, 1020, 696}});
    // Four arranged: a grid filled row by row.
    same(jol::ArrangeRects(m, 4, 'A'),
         {{4, 4, 512, 346}, {516, 4, 1020, 346}, {4, 350, 512, 696}, {516, 350, 1020, 696}});
    // Four as rows: quarters, the third ending at 3 x Bot / 4.
    same(jol::ArrangeRects(m, 4, 'R'),
         {{4, 4, 1020, 173}, {4, 177, 1020, 346}, {4, 350, 1020, 522}, {4, 526, 1020, 696}});
    // Five: two columns of two and three rows.
    same(jol::ArrangeRects(m, 5, 'A'), {{4, 4, 512, 346},
                                        {4, 350, 512, 696},
                                        {516, 4, 1020, 230},
                                        {516, 234, 1020, 461},
                                        {516, 465, 1020, 696}});
    // A cascade of two: steps of caption plus frame.
    same(jol::ArrangeRects(m, 2, 'S'), {{12, 26, 998, 696}, {28, 4, 1020, 674}});
    // One window takes the whole area.
    same(jol::ArrangeRects(m, 1, 'C'), {{4, 4, 1020, 696}});
    EXPECT_EQ(jol::ArrangeRects(m, 12, 'A').size(), 12u);
}

} // namespace
