// The interrupt contract of both backends: a cancel request, made from
// anywhere, is taken once.
#include <gtest/gtest.h>

#include "platform/interrupt.h"
#include "platform/window_system.h"

namespace {

TEST(PlatformInterrupt, ARequestIsTakenOnce) {
    plat::watch_interrupt();
    plat::watch_interrupt(); // watching twice is harmless
    while (plat::cancel_requested()) {
    }
    EXPECT_FALSE(plat::cancel_requested());
    plat::request_cancel();
    EXPECT_FALSE(plat::nothing_to_poll());
    EXPECT_TRUE(plat::cancel_requested());
    EXPECT_FALSE(plat::cancel_requested());
    // Requests made before the taking count as one.
    plat::request_cancel();
    plat::request_cancel();
    EXPECT_TRUE(plat::cancel_requested());
    EXPECT_FALSE(plat::cancel_requested());
}

} // namespace
