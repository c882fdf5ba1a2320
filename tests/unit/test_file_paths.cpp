// The wildcard rules (both backends), the native mapping of Windows names
// onto POSIX paths, the full-name expansion and the error mode that
// FileOpen gives back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "data_handler_rig.h"
#include "lang/keyword_table.h"
#include "lib/data/file_handles.h"
#include "lib/data/file_names.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace {

TEST(Wildcard, StarAndQuestionMark) {
    EXPECT_TRUE(plat::wildcard_match("*", "anything.txt"));
    EXPECT_TRUE(plat::wildcard_match("*.txt", "notes.txt"));
    EXPECT_FALSE(plat::wildcard_match("*.txt", "notes.txt1"));
    EXPECT_TRUE(plat::wildcard_match("a?c", "abc"));
    EXPECT_FALSE(plat::wildcard_match("a?c", "ac"));
    EXPECT_FALSE(plat::wildcard_match("a?c", "abbc"));
    EXPECT_TRUE(plat::wildcard_match("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(plat::wildcard_match("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(plat::wildcard_match("**", ""));
}

TEST(Wildcard, StarDotStarMatchesEveryName) {
    EXPECT_TRUE(plat::wildcard_match("*.*", "noextension"));
    EXPECT_TRUE(plat::wildcard_match("*.*", "a.b"));
    EXPECT_TRUE(plat::wildcard_match("*.*", "."));
    EXPECT_TRUE(plat::wildcard_match("*.*", ".."));
}

TEST(Wildcard, CaseDoesNotMatter) {
    EXPECT_TRUE(plat::wildcard_match("*.TXT", "a.txt"));
    EXPECT_TRUE(plat::wildcard_match("readme", "README"));
    EXPECT_FALSE(plat::wildcard_match("readme", "READ"));
}

TEST(Wildcard, NotShellGlobbing) {
    // Brackets and braces are ordinary characters.
    EXPECT_TRUE(plat::wildcard_match("[ab]", "[ab]"));
    EXPECT_FALSE(plat::wildcard_match("[ab]", "a"));
    EXPECT_FALSE(plat::wildcard_match("{a,b}", "a"));
}

TEST(SplitName, Parts) {
    jol::SplitName s;
    jol::SplitFileName("c:\\dir\\sub/report.old.txt", &s);
    EXPECT_STREQ(s.drive, "c:");
    EXPECT_STREQ(s.directory, "\\dir\\sub/");
    EXPECT_STREQ(s.root, "report.old");
    EXPECT_STREQ(s.extension, "txt");
    jol::SplitFileName("name", &s);
    EXPECT_STREQ(s.drive, "");
    EXPECT_STREQ(s.directory, "");
    EXPECT_STREQ(s.root, "name");
    EXPECT_STREQ(s.extension, "");
}

TEST(FullName, ResolvesDotsAndKeepsOddNames) {
    char here[1281];
    ASSERT_TRUE(jol::CurrentDirectoryName(here, sizeof here));
    ASSERT_EQ(here[1], ':');
    const std::string drive(here, 2);
    char out[jol::kFullNameSize];
    ASSERT_TRUE(jol::FullFileName((drive + "\\a\\b\\..\\.\\c").c_str(), out, sizeof out));
    EXPECT_EQ(std::string(out), drive + "\\a\\c");
    ASSERT_TRUE(jol::FullFileName((drive + "\\..").c_str(), out, sizeof out));
    EXPECT_EQ(std::string(out), drive + "\\..");
    ASSERT_TRUE(jol::FullFileName("\\\\server\\share\\x", out, sizeof out));
    EXPECT_STREQ(out, "\\\\server\\share\\x");
    ASSERT_TRUE(jol::FullFileName("", out, sizeof out));
    EXPECT_STREQ(out, "");
    ASSERT_TRUE(jol::FullFileName(drive.c_str(), out, sizeof out));
    EXPECT_EQ(std::string(out), std::string(here));
    ASSERT_TRUE(jol::FullFileName("x.txt", out, sizeof out));
    std::string want = here;
    if (want.size() > 3) want += '\\';
    EXPECT_EQ(std::string(out), want + "x.txt");
}

TEST(FileOpen, GivesBackTheErrorModeItFound) {
    test::HandlerRig rig;
    const std::uint32_t mine = plat::errmode::NoOpenFileErrorBox | 0x2;
    const std::uint32_t old = plat::set_error_mode(mine);
    const int id = jol::FindBuiltinKeyword("fileopen")->id;
    test::HandlerResult r = rig.Call(jol::FileHandleHandlers, id, {"no\\such\\file.txt", "READ"});
    EXPECT_EQ(r.error, jol::fherr::OpenFailed);
    EXPECT_EQ(plat::set_error_mode(old), mine);
}

#if !defined(_WIN32)
std::string Mapped(const char* name) {
    char out[4096];
    if (!plat::system_path(name, out, sizeof out)) return "<fails>";
    return out;
}

class NativeDrives : public ::testing::Test {
protected:
    void SetUp() override {
        const char* d = std::getenv("JOL_DRIVES");
        had_ = d != nullptr;
        if (d) saved_ = d;
    }
    void TearDown() override {
        if (had_)
            ::setenv("JOL_DRIVES", saved_.c_str(), 1);
        else
            ::unsetenv("JOL_DRIVES");
        plat::set_env("=D:", nullptr);
    }
    bool had_ = false;
    std::string saved_;
};

TEST_F(NativeDrives, CIsTheRootByDefault) {
    ::unsetenv("JOL_DRIVES");
    EXPECT_EQ(Mapped("C:\\work\\x.txt"), "/work/x.txt");
    EXPECT_EQ(Mapped("c:/work/x.txt"), "/work/x.txt");
    EXPECT_EQ(Mapped("C:\\"), "/");
    EXPECT_EQ(Mapped("D:\\x"), "<fails>");
    EXPECT_EQ(plat::get_last_error(), plat::err::PathNotFound);
    EXPECT_EQ(Mapped("\\\\server\\share"), "<fails>");
    EXPECT_EQ(plat::get_last_error(), plat::err::BadNetPath);
    EXPECT_EQ(Mapped("rel\\name"), "rel/name");
    EXPECT_EQ(plat::drive_type("C:\\"), 3u);
    EXPECT_EQ(plat::drive_type("Q:\\"), 1u);
}

TEST_F(NativeDrives, ListedDrivesAndDotsStayInsideTheirRoot) {
    // The current directory must lie on C: here: a folder under /tmp
    // would make D: the current drive.
    char saved[4096];
    ASSERT_GT(plat::get_current_directory(saved, sizeof saved), 0u);
    ASSERT_TRUE(plat::set_current_directory("/"));
    ::setenv("JOL_DRIVES", "C=/,D=/tmp", 1);
    EXPECT_EQ(Mapped("D:\\a\\b"), "/tmp/a/b");
    EXPECT_EQ(Mapped("D:\\..\\..\\etc"), "/tmp/etc");
    EXPECT_EQ(Mapped("D:\\a\\.\\b\\..\\c\\"), "/tmp/a/c/");
    // Another drive's relative names start at its remembered directory.
    plat::set_env("=D:", "D:\\a");
    EXPECT_EQ(Mapped("D:x"), "/tmp/a/x");
    plat::set_env("=D:", nullptr);
    EXPECT_EQ(Mapped("D:x"), "/tmp/x");
    EXPECT_EQ(plat::drive_type("D:\\"), 3u);
    ::setenv("JOL_DRIVES", "D=/tmp", 1);
    EXPECT_EQ(Mapped("C:\\x"), "/x"); // a list without C keeps C as the root
    ASSERT_TRUE(plat::set_current_directory(saved));
}

TEST_F(NativeDrives, CurrentDirectoryGetsTheDriveOfTheLongestRoot) {
    char saved[4096];
    ASSERT_GT(plat::get_current_directory(saved, sizeof saved), 0u);
    ::setenv("JOL_DRIVES", "C=/,D=/tmp", 1);
    ASSERT_TRUE(plat::set_current_directory("D:\\"));
    char name[4096];
    ASSERT_GT(plat::current_directory_name(name, sizeof name), 0u);
    EXPECT_STREQ(name, "D:\\");
    ASSERT_TRUE(plat::set_current_directory("C:\\"));
    ASSERT_GT(plat::current_directory_name(name, sizeof name), 0u);
    EXPECT_STREQ(name, "C:\\");
    ASSERT_TRUE(plat::set_current_directory(saved));
}
#endif

} // namespace
