// Process-wide host state: the window pointer map, the settings store and
// the message pump.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "host/context/settings.h"
#include "host/context/window_pointer_map.h"
#include "platform/window_system.h"
#include "tests/unit/test_support.h"

namespace {

TEST(WindowPointerMap, FullMapUnknownWindowsAndUpdates) {
    jol::WindowPointerClear();
    int data[101];
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(jol::WindowPointerAdd(1000 + i, &data[i]), &data[i]);
    // Every slot holds another window: no room.
    EXPECT_EQ(jol::WindowPointerAdd(5000, &data[100]), nullptr);
    // A window already present is updated in its own slot even when full.
    EXPECT_EQ(jol::WindowPointerAdd(1042, &data[100]), &data[100]);
    EXPECT_EQ(jol::WindowPointerFindQuiet(1042), &data[100]);

    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::WindowPointerFind(5000), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Internal Error: DlgPointLookup Failure"),
              std::string::npos);
    testing::internal::CaptureStderr();
    EXPECT_EQ(jol::WindowPointerFindQuiet(5000), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // A removed slot is reused; re-adding a window never gives it two slots.
    EXPECT_TRUE(jol::WindowPointerRemove(1010));
    EXPECT_FALSE(jol::WindowPointerRemove(1010));
    EXPECT_EQ(jol::WindowPointerAdd(1011, &data[5]), &data[5]);
    EXPECT_EQ(jol::WindowPointerAdd(6000, &data[6]), &data[6]);
    EXPECT_TRUE(jol::WindowPointerRemove(1011));
    EXPECT_EQ(jol::WindowPointerFindQuiet(1011), nullptr);
    jol::WindowPointerClear();
    EXPECT_EQ(jol::WindowPointerFindQuiet(6000), nullptr);
}

TEST(Settings, DefaultsTerminationAndDeletion) {
    test::TempHome home;
    const char* ini = "TESTS.INI";
    char out[8];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(jol::ReadSetting("Section", "Missing", "a-long-default", out, sizeof out, ini), 0);
    EXPECT_STREQ(out, "a-long-");
    EXPECT_EQ(jol::ReadSettingInt("Section", "Missing", -17, ini), -17);

    ASSERT_EQ(jol::WriteSetting("Section", "Key", "a value longer than the buffer", ini), 1);
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(jol::ReadSetting("Section", "Key", "", out, sizeof out, ini), 1);
    EXPECT_STREQ(out, "a value");
    char whole[64];
    EXPECT_EQ(jol::ReadSetting("Section", "Key", "", whole, sizeof whole, ini), 1);
    EXPECT_STREQ(whole, "a value longer than the buffer");

    ASSERT_EQ(jol::WriteSetting("Section", "Number", "  42abc", ini), 1);
    EXPECT_EQ(jol::ReadSettingInt("Section", "Number", 0, ini), 42);
    ASSERT_EQ(jol::WriteSetting("Section", "Empty", "", ini), 1);
    EXPECT_EQ(jol::ReadSetting("Section", "Empty", "dflt", whole, sizeof whole, ini), 1);
    EXPECT_STREQ(whole, "");

    ASSERT_EQ(jol::WriteSetting("Section", "Key", nullptr, ini), 1);
    EXPECT_EQ(jol::ReadSetting("Section", "Key", "gone", whole, sizeof whole, ini), 0);
    EXPECT_STREQ(whole, "gone");
}

TEST(MessagePump, DispatchesMessagesButLeavesQuitForTheHost) {
    auto ctx = std::make_unique<jol::ScriptContext>();
    plat::Hwnd w = test::CreateTestWindow(0);
    ASSERT_NE(w, 0u);
    plat::Msg m;
    while (plat::peek_message(&m, true)) {
    }
    ASSERT_TRUE(plat::post_message(w, 0x0400, 1, 2));
    jol::PumpMessagesExclusive(ctx.get());
    EXPECT_FALSE(plat::peek_message(&m, false)); // dispatched

    // A quit request belongs to the host's loop: the pump puts it back.
    plat::post_quit_message(3);
    ASSERT_TRUE(plat::post_message(w, 0x0400, 1, 2));
    jol::PumpMessagesExclusive(ctx.get());
    bool quit_seen = false;
    while (plat::peek_message(&m, true))
        if (m.message == plat::kWmQuit && m.wparam == 3) quit_seen = true;
    EXPECT_TRUE(quit_seen);
    EXPECT_EQ(ctx->cancel, 0);
    plat::destroy_window(w);
}

} // namespace
