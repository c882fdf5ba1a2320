// The library's hidden owner window: made once and kept, messages routed
// to the handlers of their numbers, destroyed and made anew.
#include <gtest/gtest.h>

#include <vector>

#include "platform/owner_window.h"
#include "platform/window_system.h"

namespace {

constexpr unsigned kNotify = 0x03B9; // a media notification's number
constexpr unsigned kOther = 0x0401;

struct Call {
    unsigned message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

std::intptr_t Record(void* data, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    static_cast<std::vector<Call>*>(data)->push_back({message, wparam, lparam});
    return 7;
}

// Dispatches what is queued for the window (within a bounded number of looks).
void PumpFor(plat::Hwnd w) {
    plat::Msg m;
    for (int i = 0; i < 50 && plat::peek_message(&m, true); ++i)
        if (m.hwnd == w) plat::dispatch_message(&m);
}

TEST(PlatformOwnerWindow, MadeOnceRoutedAndMadeAgain) {
    plat::destroy_owner_window();
    EXPECT_FALSE(plat::owner_window_exists());
    const plat::Hwnd w = plat::owner_window();
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(plat::owner_window_exists());
    EXPECT_TRUE(plat::is_window(w));
    EXPECT_EQ(plat::owner_window(), w); // the same window for every use

    std::vector<Call> calls;
    plat::set_owner_handler(kNotify, Record, &calls);
    ASSERT_TRUE(plat::post_message(w, kNotify, 1, 0x1234));
    ASSERT_TRUE(plat::post_message(w, kOther, 2, 0)); // no route: default handling
    PumpFor(w);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, kNotify);
    EXPECT_EQ(calls[0].wparam, 1u);
    EXPECT_EQ(calls[0].lparam, 0x1234);

    // A handler's result is the window procedure's.
    plat::Msg direct{w, kNotify, 3, 4};
    EXPECT_EQ(plat::dispatch_message(&direct), 7);
    EXPECT_EQ(calls.size(), 2u);

    plat::destroy_owner_window();
    EXPECT_FALSE(plat::owner_window_exists());
    EXPECT_FALSE(plat::is_window(w));
    plat::destroy_owner_window(); // a second release finds nothing

    // Made again on the next use; the routes stay.
    const plat::Hwnd again = plat::owner_window();
    ASSERT_NE(again, 0u);
    ASSERT_TRUE(plat::post_message(again, kNotify, 5, 0));
    PumpFor(again);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].wparam, 5u);

    // A removed route gives the default handling again.
    plat::set_owner_handler(kNotify, nullptr, nullptr);
    plat::Msg after{again, kNotify, 6, 0};
    plat::dispatch_message(&after);
    EXPECT_EQ(calls.size(), 3u);
    plat::destroy_owner_window();
}

} // namespace
