// Shortcut files below the platform: the hotkey text both ways, the show
// modes, and the reader and writer of the file format.
#include <gtest/gtest.h>

#include <string>

#include "lib/desktop/key_names.h"
#include "lib/desktop/shortcut_functions.h"
#include "platform/shell_link.h"

namespace {

std::string Text(int word) {
    char out[jol::kHotkeyTextSize];
    jol::FormatHotkey(static_cast<std::uint16_t>(word), out);
    return out;
}

TEST(Hotkeys, TextBothWays) {
    EXPECT_EQ(jol::ParseHotkey("^!K"), 0x064B);
    EXPECT_EQ(jol::ParseHotkey("!^k"), 0x064B);
    EXPECT_EQ(jol::ParseHotkey("+{F5}"), 0x0174);
    EXPECT_EQ(jol::ParseHotkey("^{a}"), 0x0241); // a one-character name is the character
    EXPECT_EQ(jol::ParseHotkey("?^{del}"), 0x0A2E);
    EXPECT_EQ(jol::ParseHotkey("7"), 0x0037);
    EXPECT_EQ(jol::ParseHotkey("^{ins}"), 0x022D);
    // Punctuation is no virtual key ("." is the code of Delete), the
    // modifiers are no keys of their own, and a hotkey has one key.
    for (const char* bad : {"^.", "^,", "^-", "^*", "^{.}", "^{;}", "^ ", "{CTRL}", "^{SHIFT}",
                            "!{ALT}", "{MENU}", "^{F17}", "^", "", "^AB", "{}", "{F5", "^{}}"})
        EXPECT_EQ(jol::ParseHotkey(bad), -1) << bad;
    EXPECT_EQ(Text(0x064B), "^!K");
    EXPECT_EQ(Text(0x0174), "+{F5}");
    EXPECT_EQ(Text(0x0F2E), "+^!?{DELETE}");
    EXPECT_EQ(Text(0x0008), "{BACKSPACE}");
    EXPECT_EQ(Text(0x0230), "^0");
    EXPECT_EQ(Text(0x02BE), "^{?}"); // a key without a name
    EXPECT_EQ(Text(0x0211), "^{?}"); // CTRL is no hotkey name
    EXPECT_EQ(Text(0), "");
    // Every text written reads back as the same word.
    for (int word : {0x064B, 0x0174, 0x0F2E, 0x0008, 0x0230, 0x0190, 0x0114})
        EXPECT_EQ(jol::ParseHotkey(Text(word)), word) << Text(word);
    // SendKey and WaitForKey keep their names.
    EXPECT_EQ(jol::KeyCodeOfName("CTRL", jol::key_use::SendKey), 17);
    EXPECT_EQ(jol::KeyCodeOfName("CTRL", jol::key_use::Hotkey), -1);
    EXPECT_EQ(jol::KeyCodeOfName("INS", jol::key_use::WaitForKey), -1);
}

TEST(Hotkeys, ShowModes) {
    EXPECT_EQ(jol::ShortcutShowCommand(0), 0);
    EXPECT_EQ(jol::ShortcutShowCommand(1), 7);
    EXPECT_EQ(jol::ShortcutShowCommand(2), 1);
    EXPECT_EQ(jol::ShortcutShowCommand(3), 3);
    EXPECT_EQ(jol::ShortcutShowCommand(4), -1);
    EXPECT_EQ(jol::ShortcutShowCommand(-1), -1);
    for (int mode = 1; mode <= 3; ++mode)
        EXPECT_EQ(jol::ShortcutShowMode(jol::ShortcutShowCommand(mode)), mode);
    EXPECT_EQ(jol::ShortcutShowMode(2), 0);
    EXPECT_EQ(jol::ShortcutShowMode(0), 0);
}

namespace lnk = plat::lnk;

std::string Sample() {
    lnk::ShellLink link;
    link.flags = lnk::flag::IsUnicode | lnk::flag::HasArguments | lnk::flag::HasName;
    link.link_info = lnk::LocalLinkInfo("C:\\apps\\app.exe", u"C:\\apps\\app.exe");
    link.arguments = u"-x 1";
    link.name = u"d\u00e9j\u00e0";
    link.show_command = lnk::kShowMaximized;
    link.hotkey = 0x064B;
    link.icon_index = -2;
    return lnk::Serialize(link);
}

bool ParseBytes(const std::string& bytes, lnk::ShellLink* out) {
    return lnk::Parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
}

TEST(ShellLinkFormat, WritesTheHeaderAndReadsItBack) {
    const std::string bytes = Sample();
    ASSERT_GE(bytes.size(), 76u);
    // Header size, class id, flags, show command, hotkey.
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\0\0\0", 4));
    EXPECT_EQ(bytes.substr(4, 16), std::string("\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 16));
    EXPECT_EQ(static_cast<unsigned char>(bytes[20]), 0xA6u); // link info, name, arguments, Unicode
    EXPECT_EQ(bytes[60], 3);
    EXPECT_EQ(bytes.substr(64, 2), "\x4B\x06");
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));

    lnk::ShellLink read;
    ASSERT_TRUE(ParseBytes(bytes, &read));
    EXPECT_EQ(read.local_base_path, "C:\\apps\\app.exe");
    EXPECT_EQ(read.local_base_path_w, u"C:\\apps\\app.exe");
    EXPECT_EQ(read.common_path_suffix, "");
    EXPECT_EQ(read.arguments, u"-x 1");
    EXPECT_EQ(read.name, u"d\u00e9j\u00e0");
    EXPECT_TRUE(read.working_dir.empty());
    EXPECT_EQ(read.show_command, 3u);
    EXPECT_EQ(read.hotkey, 0x064B);
    EXPECT_EQ(read.icon_index, -2);
    // What was read is written back byte for byte.
    EXPECT_EQ(lnk::Serialize(read), bytes);
}

TEST(ShellLinkFormat, RefusesWhatDoesNotHoldTogether) {
    const std::string good = Sample();
    lnk::ShellLink out;
    // Every cut before the end block.
    for (std::size_t n = 0; n + 4 < good.size(); ++n)
        EXPECT_FALSE(ParseBytes(good.substr(0, n), &out)) << n;
    // Another class id or header size.
    std::string bad = good;
    bad[4] = 0;
    EXPECT_FALSE(ParseBytes(bad, &out));
    bad = good;
    bad[0] = 0x4D;
    EXPECT_FALSE(ParseBytes(bad, &out));
    // The link information's size, header size and offsets past its end.
    const std::size_t info = 76;
    for (std::size_t field : {0u, 4u, 12u, 16u, 24u, 28u, 32u}) {
        bad = good;
        bad[info + field + 3] = '\x7F';
        EXPECT_FALSE(ParseBytes(bad, &out)) << field;
    }
    // A string count past the end.
    bad = good;
    const std::size_t strings = info + static_cast<unsigned char>(good[info]);
    bad[strings + 1] = '\x7F';
    EXPECT_FALSE(ParseBytes(bad, &out));
    // An id list that says it is longer than the file, or whose items run
    // past it.
    lnk::ShellLink with_list;
    with_list.id_list = std::string("\x04\0ab\0\0", 6);
    std::string listed = lnk::Serialize(with_list);
    ASSERT_TRUE(ParseBytes(listed, &out));
    EXPECT_EQ(out.id_list, with_list.id_list);
    bad = listed;
    bad[76] = '\x40';
    EXPECT_FALSE(ParseBytes(bad, &out));
    bad = listed;
    bad[78] = '\x09';
    EXPECT_FALSE(ParseBytes(bad, &out));
    // An extra block shorter than its own header, or longer than the file.
    lnk::ShellLink with_block;
    with_block.extra.push_back({0xA0000002, std::string(8, 'x')});
    std::string blocked = lnk::Serialize(with_block);
    ASSERT_TRUE(ParseBytes(blocked, &out));
    ASSERT_EQ(out.extra.size(), 1u);
    bad = blocked;
    bad[76] = 6;
    EXPECT_FALSE(ParseBytes(bad, &out));
    bad = blocked;
    bad[77] = 1;
    EXPECT_FALSE(ParseBytes(bad, &out));
}

TEST(ShellLinkFormat, FindsTheTargetWhereTheSystemPutsIt) {
    // Code-page strings, a network share with a suffix, and the block of
    // variables.
    std::string info;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            info.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    put32(0);    // size
    put32(0x1C); // header
    put32(2);    // network share and suffix
    put32(0);    // volume
    put32(0);    // local path
    put32(0x1C); // network block
    put32(0);    // suffix, set below
    put32(0x14); // network block: size
    put32(0);    // flags
    put32(0x14); // net name offset
    put32(0);    // device
    put32(0);    // provider
    info += std::string("\\\\server\\share\0", 15);
    const std::size_t suffix = info.size();
    info += std::string("dir\\x.exe\0", 10);
    info[24] = static_cast<char>(suffix);
    info[0] = static_cast<char>(info.size());
    info[28] = static_cast<char>(0x14 + 15); // the network block's size
    lnk::ShellLink link;
    link.link_info = info;
    link.flags = lnk::flag::HasWorkingDir;
    link.working_dir = u"C:\\w";
    std::string env(0x314 - 8, '\0');
    env.replace(0, 12, "%windir%\\a.x");
    link.extra.push_back({lnk::block::Environment, env});
    lnk::ShellLink read;
    ASSERT_TRUE(ParseBytes(lnk::Serialize(link), &read));
    EXPECT_EQ(read.net_name, "\\\\server\\share");
    EXPECT_EQ(read.common_path_suffix, "dir\\x.exe");
    EXPECT_EQ(read.working_dir, u"C:\\w");
    std::u16string target;
    bool wide = true;
    ASSERT_TRUE(lnk::EnvironmentTarget(read, &target, &wide));
    EXPECT_FALSE(wide);
    EXPECT_EQ(target, u"%windir%\\a.x");
    // The block of variables must have its fixed size.
    link.extra[0].data.pop_back();
    EXPECT_FALSE(ParseBytes(lnk::Serialize(link), &read));
}

} // namespace
