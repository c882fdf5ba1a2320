// The system contract of both backends: the last error of the thread, the
// version facts, the double-byte flag and the critical-error mode.
#include <gtest/gtest.h>

#include <thread>

#include "platform/system.h"
#include "platform/system_errors.h"
#include "platform/text.h"

namespace {

TEST(PlatformSystem, TheLastErrorBelongsToTheThread) {
    plat::set_last_error(plat::err::SharingViolation);
    EXPECT_EQ(plat::get_last_error(), plat::err::SharingViolation);
    // Another thread starts with its own (starting and joining it are
    // system calls that may set this thread's code, so it is set again).
    std::uint32_t other[2] = {1, 1};
    std::thread t([&other] {
        other[0] = plat::get_last_error();
        plat::set_last_error(plat::err::AccessDenied);
        other[1] = plat::get_last_error();
    });
    t.join();
    EXPECT_EQ(other[0], 0u);
    EXPECT_EQ(other[1], plat::err::AccessDenied);
    plat::set_last_error(0);
    EXPECT_EQ(plat::get_last_error(), 0u);
}

TEST(PlatformSystem, VersionFacts) {
    // Both backends present a member of the Windows NT family.
    const plat::VersionInfo v = plat::get_version();
    EXPECT_EQ(v.platform_id, 2u);
    EXPECT_GE(v.major, 5u);
    EXPECT_GT(v.build, 0u);
    // A single-byte code page has no double-byte characters.
    if (plat::code_page() == 1252) {
        EXPECT_FALSE(plat::dbcs_enabled());
    }
}

TEST(PlatformSystem, CriticalErrorMode) {
    using plat::errmode::FailCriticalErrors;
    using plat::errmode::NoOpenFileErrorBox;
    const std::uint32_t saved = plat::set_error_mode(FailCriticalErrors);
    EXPECT_EQ(plat::set_error_mode(NoOpenFileErrorBox), FailCriticalErrors);
    EXPECT_EQ(plat::set_error_mode(0), NoOpenFileErrorBox);
    // Suppressing the boxes sets both quiet bits and tells what was before.
    EXPECT_FALSE(plat::suppress_error_boxes(true));
    EXPECT_EQ(plat::set_error_mode(FailCriticalErrors | NoOpenFileErrorBox),
              FailCriticalErrors | NoOpenFileErrorBox);
    EXPECT_TRUE(plat::suppress_error_boxes(false));
    EXPECT_EQ(plat::set_error_mode(saved) & (FailCriticalErrors | NoOpenFileErrorBox), 0u);
}

} // namespace
