// File-name parts, the full-name expansion and the error mode that
// FileOpen gives back.
#include <gtest/gtest.h>

#include <string>

#include "data_handler_rig.h"
#include "lang/keyword_table.h"
#include "lib/data/file_handles.h"
#include "lib/data/file_names.h"
#include "platform/system.h"
#include "tests/unit/test_errors.h"

namespace {

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
    test::HandlerResult r = rig.Call(jol::kFileHandleModule, id, {"no\\such\\file.txt", "READ"});
    EXPECT_EQ(r.error, jol::Err::FileOpenFailed);
    EXPECT_EQ(plat::set_error_mode(old), mine);
}

} // namespace
