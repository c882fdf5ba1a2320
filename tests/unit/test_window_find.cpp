// The title rule and the WinId form of the window functions: no desktop
// needed.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "lib/desktop/window_find.h"
#include "lib/desktop/window_functions.h"
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

// A wait for a window that never comes lasts the seconds asked, not a
// quarter more.
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
    EXPECT_LT(ms, 1200);
}

} // namespace
