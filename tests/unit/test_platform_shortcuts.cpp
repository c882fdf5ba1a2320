// The shortcut contract of both backends: finding, making, changing and
// reading shortcut files, saves that fail without harm, and files written
// by the one backend read by the other (under Wine the link object of the
// system reads what our own writer wrote, and our reader what the link
// object wrote).
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/file_system.h"
#include "platform/shell_link.h"
#include "platform/shortcuts.h"
#include "tests/unit/test_support.h"

#if defined(_WIN32)
#include <objbase.h>
#endif

namespace {

using test::TempFolder;

std::string Fields(const plat::ShortcutInfo& i) {
    return std::string(i.target) + "|" + i.arguments + "|" + i.directory + "|" + i.description +
           "|" + i.icon_file + "|" + std::to_string(i.icon_index) + "|" +
           std::to_string(i.show_command) + "|" + std::to_string(i.hotkey);
}

std::string Read(const std::string& name) {
    plat::ShortcutInfo info;
    if (plat::read_shortcut(name.c_str(), &info) != plat::ShortcutStatus::Ok) return "<failed>";
    return Fields(info);
}

plat::ShortcutChange Full() {
    plat::ShortcutChange c;
    c.target = "C:\\apps\\app.exe";
    c.arguments = "-x \"a b\"";
    c.directory = "C:\\apps";
    c.show_command = plat::kShortcutShowMaximized;
    c.description = "the app";
    c.set_hotkey = true;
    c.hotkey = 0x064B;
    c.icon_file = "C:\\apps\\icons.dll";
    c.icon_index = 3;
    return c;
}

// A counted string up to its first zero (some writers count a terminator).
std::u16string Text(const std::u16string& units) {
    return units.substr(0, units.find(u'\0'));
}

constexpr char kFull[] =
    "C:\\apps\\app.exe|-x \"a b\"|C:\\apps|the app|C:\\apps\\icons.dll|3|3|1611";

TEST(PlatformShortcuts, MakesChangesAndReads) {
    TempFolder dir;
    const std::string name = dir.Name("a.lnk");
    ASSERT_EQ(plat::write_shortcut(name.c_str(), Full(), false), plat::ShortcutStatus::Ok);
    EXPECT_EQ(Read(name), kFull);
    // A change keeps what it does not name.
    plat::ShortcutChange c;
    c.target = "C:\\other\\b.exe";
    c.show_command = plat::kShortcutShowMinNoActive;
    ASSERT_EQ(plat::write_shortcut(name.c_str(), c, true), plat::ShortcutStatus::Ok);
    EXPECT_EQ(Read(name),
              "C:\\other\\b.exe|-x \"a b\"|C:\\apps|the app|C:\\apps\\icons.dll|3|7|1611");
    // A new shortcut never takes the name of an existing file, and a
    // change needs a shortcut to change.
    EXPECT_EQ(plat::write_shortcut(name.c_str(), Full(), false), plat::ShortcutStatus::Save);
    const std::string text = dir.File("text.lnk", "no shortcut");
    EXPECT_EQ(plat::write_shortcut(text.c_str(), c, true), plat::ShortcutStatus::Load);
    EXPECT_EQ(dir.Read("text.lnk"), "no shortcut");
    EXPECT_EQ(Read(text), "<failed>");
    EXPECT_EQ(Read(dir.Name("missing.lnk")), "<failed>");
    EXPECT_FALSE(plat::file_exists(dir.Name("a.lnk.tmp").c_str()));
    // A new shortcut without a show command opens its program normally.
    plat::ShortcutChange bare;
    bare.target = "C:\\p.exe";
    ASSERT_EQ(plat::write_shortcut(dir.Name("b.lnk").c_str(), bare, false),
              plat::ShortcutStatus::Ok);
    EXPECT_EQ(Read(dir.Name("b.lnk")), "C:\\p.exe|||||0|1|0");
}

TEST(PlatformShortcuts, FindsNamesWithTheDefaultExtension) {
    TempFolder dir;
    const std::string name = dir.Name("found.lnk");
    ASSERT_EQ(plat::write_shortcut(name.c_str(), Full(), false), plat::ShortcutStatus::Ok);
    char out[600];
    EXPECT_TRUE(plat::find_shortcut(dir.Name("found").c_str(), out, sizeof out));
    EXPECT_EQ(Read(out), kFull);
    EXPECT_TRUE(plat::find_shortcut(dir.Name("found.LNK").c_str(), out, sizeof out));
    EXPECT_EQ(Read(out), kFull);
    EXPECT_FALSE(plat::find_shortcut(dir.Name("lost").c_str(), out, sizeof out));
    dir.File("notes.txt", "x");
    EXPECT_TRUE(plat::find_shortcut(dir.Name("notes.txt").c_str(), out, sizeof out));
    EXPECT_FALSE(plat::find_shortcut(dir.Name("notes").c_str(), out, sizeof out));
}

TEST(PlatformShortcuts, FailedSaveKeepsTheShortcutWhole) {
    TempFolder dir;
    const std::string name = dir.Name("keep.lnk");
    ASSERT_EQ(plat::write_shortcut(name.c_str(), Full(), false), plat::ShortcutStatus::Ok);
    const std::string before = dir.Read("keep.lnk");
    ASSERT_FALSE(before.empty());
    plat::ShortcutChange c;
    c.target = "C:\\x.exe";
    c.description = "changed";
    // The temporary file cannot be made.
    dir.Subfolder("keep.lnk.tmp");
    EXPECT_EQ(plat::write_shortcut(name.c_str(), c, true), plat::ShortcutStatus::Save);
    EXPECT_EQ(dir.Read("keep.lnk"), before);
    ASSERT_TRUE(plat::remove_directory(dir.Name("keep.lnk.tmp").c_str()));
    // A read-only shortcut is not replaced.
    ASSERT_TRUE(plat::set_file_attributes(name.c_str(), plat::fattr::ReadOnly));
    EXPECT_EQ(plat::write_shortcut(name.c_str(), c, true), plat::ShortcutStatus::Save);
    EXPECT_EQ(dir.Read("keep.lnk"), before);
    EXPECT_FALSE(plat::file_exists(dir.Name("keep.lnk.tmp").c_str()));
    ASSERT_TRUE(plat::set_file_attributes(name.c_str(), plat::fattr::Normal));
    EXPECT_EQ(plat::write_shortcut(name.c_str(), c, true), plat::ShortcutStatus::Ok);
    EXPECT_EQ(Read(name), "C:\\x.exe|-x \"a b\"|C:\\apps|changed|C:\\apps\\icons.dll|3|3|1611");
}

TEST(PlatformShortcuts, FilesOfOurWriterAndOfTheBackendAgree) {
    TempFolder dir;
    // Our writer's file, read by the backend.
    plat::lnk::ShellLink link;
    link.flags = plat::lnk::flag::IsUnicode | plat::lnk::flag::HasArguments |
                 plat::lnk::flag::HasWorkingDir | plat::lnk::flag::HasName |
                 plat::lnk::flag::HasIconLocation;
    link.link_info = plat::lnk::LocalLinkInfo("C:\\apps\\app.exe", u"C:\\apps\\app.exe");
    link.arguments = u"-x \"a b\"";
    link.working_dir = u"C:\\apps";
    link.name = u"the app";
    link.icon_location = u"C:\\apps\\icons.dll";
    link.icon_index = 3;
    link.show_command = plat::lnk::kShowMaximized;
    link.hotkey = 0x064B;
    const std::string ours = dir.File("ours.lnk", plat::lnk::Serialize(link));
    EXPECT_EQ(Read(ours), kFull);

    // The backend's file, read by our reader.
    const std::string theirs = dir.Name("theirs.lnk");
    ASSERT_EQ(plat::write_shortcut(theirs.c_str(), Full(), false), plat::ShortcutStatus::Ok);
    const std::string bytes = dir.Read("theirs.lnk");
    plat::lnk::ShellLink read;
    ASSERT_TRUE(plat::lnk::Parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                 &read));
    EXPECT_EQ(read.local_base_path + read.common_path_suffix, "C:\\apps\\app.exe");
    EXPECT_EQ(Text(read.arguments), u"-x \"a b\"");
    EXPECT_EQ(Text(read.working_dir), u"C:\\apps");
    EXPECT_EQ(Text(read.name), u"the app");
    EXPECT_EQ(Text(read.icon_location), u"C:\\apps\\icons.dll");
    EXPECT_EQ(read.icon_index, 3);
    EXPECT_EQ(read.show_command, 3u);
    EXPECT_EQ(read.hotkey, 0x064B);
}

#if defined(_WIN32)
// A host whose thread is already in the multithreaded apartment: the calls
// work in it, and the host's own initialisation stays (the next one counts
// as a repeat, S_FALSE, not as a first, S_OK).
TEST(PlatformShortcuts, KeepsTheHostsApartment) {
    TempFolder dir;
    const std::string name = dir.Name("mta.lnk");
    std::thread host([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(plat::write_shortcut(name.c_str(), Full(), false), plat::ShortcutStatus::Ok);
        EXPECT_EQ(Read(name), kFull);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
    host.join();
}
#endif

} // namespace
