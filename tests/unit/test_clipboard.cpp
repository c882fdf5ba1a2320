// The clipboard functions where no desktop is needed: the snapshot area's
// clamping, the request check, and (natively, where the unit tests run
// without a display) the refusal of every function.
#include <gtest/gtest.h>

#include "lib/desktop/clipboard.h"
#include "platform/clipboard.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_errors.h"

namespace {

using test::HandlerRig;

namespace id {
constexpr int ClipAppend = 162;
constexpr int ClipGet = 163;
constexpr int ClipPut = 164;
constexpr int Snapshot = 367;
} // namespace id

TEST(Clipboard, SnapshotAreaIsClampedToTheScreen) {
    plat::Rect r;
    ASSERT_TRUE(jol::SnapshotArea(nullptr, 1024, 768, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 768);

    // A window partly off the screen: the part on it.
    const plat::Rect partly{-50, 700, 300, 900};
    ASSERT_TRUE(jol::SnapshotArea(&partly, 1024, 768, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 700);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 768);

    // Below 1 is 0; from the screen's size on, the size.
    const plat::Rect edge{1, 0, 2000, 2};
    ASSERT_TRUE(jol::SnapshotArea(&edge, 1024, 768, &r));
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 2);

    // Nothing of the window on the screen (a minimised window parked far
    // off, or one beyond the right edge): there is nothing to take.
    const plat::Rect parked{-32000, -32000, -31840, -31970};
    EXPECT_FALSE(jol::SnapshotArea(&parked, 1024, 768, &r));
    const plat::Rect beyond{1100, 10, 1300, 200};
    EXPECT_FALSE(jol::SnapshotArea(&beyond, 1024, 768, &r));
    const plat::Rect flat{10, 10, 10, 200};
    EXPECT_FALSE(jol::SnapshotArea(&flat, 1024, 768, &r));
}

TEST(Clipboard, SnapshotRequestOutOfRange) {
    HandlerRig rig;
    for (int request : {5, -1, 100}) {
        const test::HandlerResult r = rig.Call(jol::kClipboardModule, id::Snapshot, {request});
        EXPECT_EQ(r.error, jol::Err::SnapshotRequest) << request;
        EXPECT_EQ(r.i, 0);
    }
}

#if !defined(_WIN32)
// The native unit tests run without a display: there is no clipboard, and
// nothing pretends to be one.
TEST(Clipboard, NoDisplayNoClipboard) {
    ASSERT_FALSE(plat::clip::available());
    HandlerRig rig;
    const std::uint32_t free_before = rig.HeapFree();
    test::HandlerResult r = rig.Call(jol::kClipboardModule, id::ClipPut, {"kept nowhere"});
    EXPECT_EQ(r.error, jol::Err::NotSupported);
    EXPECT_EQ(r.i, 0);
    r = rig.Call(jol::kClipboardModule, id::ClipGet, {});
    EXPECT_EQ(r.error, jol::Err::NotSupported);
    EXPECT_FALSE(r.text);
    r = rig.Call(jol::kClipboardModule, id::ClipAppend, {"x"});
    EXPECT_EQ(r.error, jol::Err::NotSupported);
    r = rig.Call(jol::kClipboardModule, id::Snapshot, {0});
    EXPECT_EQ(r.error, jol::Err::NotSupported);
    EXPECT_EQ(r.i, 0);
    EXPECT_EQ(rig.HeapFree(), free_before);
}
#endif

} // namespace
