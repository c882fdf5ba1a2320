// The input contract of both backends: key state and the mouse cursor.
#include <gtest/gtest.h>

#include "platform/input.h"

namespace {

TEST(PlatformInput, NoKeyIsDownWhenNobodyTypes) {
    // The tests run without a keyboard (the native desktop has none; Wine
    // runs on a virtual display).
    EXPECT_FALSE(plat::key_down(plat::vk::Control));
    EXPECT_FALSE(plat::key_down(plat::vk::Cancel));
}

TEST(PlatformInput, CursorsAreSetAndGivenBack) {
    const plat::Cursor arrow = plat::load_system_cursor(plat::SystemCursor::Arrow);
    const plat::Cursor wait = plat::load_system_cursor(plat::SystemCursor::Wait);
    ASSERT_NE(arrow, 0u);
    ASSERT_NE(wait, 0u);
    EXPECT_NE(arrow, wait);
    EXPECT_EQ(plat::load_system_cursor(plat::SystemCursor::Arrow), arrow);
    const plat::Cursor before = plat::set_cursor(wait);
    EXPECT_EQ(plat::set_cursor(arrow), wait);
    EXPECT_EQ(plat::set_cursor(before), arrow);
}

} // namespace
