// The clipboard functions on the desktop's real clipboard (Wine's on
// Windows, the X selection natively): text in, text out, the 64000-byte
// limit, an image where text is expected, and the owner window of a host
// that has none.
#include <gtest/gtest.h>

#include <string>

#include "lib/desktop/clipboard.h"
#include "platform/clipboard.h"
#include "platform/owner_window.h"
#include "tests/unit/data_handler_rig.h"
#include "tests/unit/test_errors.h"

namespace {

using test::HandlerResult;
using test::HandlerRig;

namespace id {
constexpr int ClipAppend = 162;
constexpr int ClipGet = 163;
constexpr int ClipPut = 164;
constexpr int Snapshot = 367;
} // namespace id

// The clipboard's text read through the platform, past the string heap's size.
plat::clip::Holds ReadText(std::string* text) {
    const plat::Hwnd owner = plat::owner_window();
    if (!plat::clip::open(owner)) return plat::clip::Holds::NoAnswer;
    const plat::clip::Holds h = plat::clip::read_text(text);
    plat::clip::close();
    return h;
}

void EmptyClipboard() {
    ASSERT_TRUE(plat::clip::open(plat::owner_window()));
    EXPECT_TRUE(plat::clip::empty());
    plat::clip::close();
}

TEST(DesktopClipboard, PutGetAppend) {
    ASSERT_TRUE(plat::clip::available());
    HandlerRig rig;
    EmptyClipboard();
    // Empty: an empty text and no error.
    HandlerResult r = rig.Call(jol::kClipboardModule, id::ClipGet, {});
    EXPECT_EQ(r.error, 0);
    EXPECT_TRUE(r.text);
    EXPECT_EQ(r.s, "");
    // Appending to nothing puts.
    r = rig.Call(jol::kClipboardModule, id::ClipAppend, {"first"});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 1);
    EXPECT_EQ(rig.Call(jol::kClipboardModule, id::ClipGet, {}).s, "first");

    r = rig.Call(jol::kClipboardModule, id::ClipPut, {"Caf\xE9 au lait"});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 1);
    r = rig.Call(jol::kClipboardModule, id::ClipAppend, {", two"});
    EXPECT_EQ(r.i, 1);
    r = rig.Call(jol::kClipboardModule, id::ClipGet, {});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.s, "Caf\xE9 au lait, two");
}

TEST(DesktopClipboard, TheLimitOf64000Bytes) {
    HandlerRig rig;
    const std::string full(64000, 'a');
    HandlerResult r = rig.Call(jol::kClipboardModule, id::ClipPut, {full});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 1);
    std::string text;
    ASSERT_EQ(ReadText(&text), plat::clip::Holds::Text);
    EXPECT_EQ(text.size(), 64000u);

    // One byte more by appending: refused, the old text stays.
    r = rig.Call(jol::kClipboardModule, id::ClipAppend, {"b"});
    EXPECT_EQ(r.error, jol::Err::ClipTooLong);
    EXPECT_EQ(r.i, 0);
    ASSERT_EQ(ReadText(&text), plat::clip::Holds::Text);
    EXPECT_EQ(text, full);

    // One byte more by putting: refused, and the clipboard is left empty.
    r = rig.Call(jol::kClipboardModule, id::ClipPut, {full + "a"});
    EXPECT_EQ(r.error, jol::Err::ClipTooLong);
    EXPECT_EQ(r.i, 0);
    ReadText(&text);
    EXPECT_EQ(text, "");
}

TEST(DesktopClipboard, SnapshotLeavesNoText) {
    HandlerRig rig;
    HandlerResult r = rig.Call(jol::kClipboardModule, id::Snapshot, {0});
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.i, 1);
    // An image and no text: reading or appending text is refused, and the
    // image stays.
    r = rig.Call(jol::kClipboardModule, id::ClipGet, {});
    EXPECT_EQ(r.error, jol::Err::ClipNoText);
    r = rig.Call(jol::kClipboardModule, id::ClipAppend, {"x"});
    EXPECT_EQ(r.error, jol::Err::ClipNoText);
    EXPECT_EQ(r.i, 0);
    std::string text;
    EXPECT_EQ(ReadText(&text), plat::clip::Holds::OtherOnly);
    // The clipboard was closed on those failures: a put still works.
    r = rig.Call(jol::kClipboardModule, id::ClipPut, {"after"});
    EXPECT_EQ(r.i, 1);
    EXPECT_EQ(rig.Call(jol::kClipboardModule, id::ClipGet, {}).s, "after");
}

} // namespace
