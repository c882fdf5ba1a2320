// The profile contract of both backends: INI-format files read and written
// by section and key, the key list of a section, and the user's profile.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/profiles.h"
#include "tests/unit/test_support.h"

namespace {

using test::TempFolder;

std::string Value(const std::string& file, const char* section, const char* key,
                  const char* fallback = "<none>") {
    char out[300];
    plat::read_profile_string(file.c_str(), section, key, fallback, out, sizeof out);
    return out;
}

// The key list with "|" after each name.
std::string Keys(const char* file, const char* section, bool* complete = nullptr,
                 std::size_t size = 300) {
    char out[300] = {};
    std::size_t length = 0;
    const bool all = plat::read_profile_keys(file, section, "(NONE)", out, size, &length);
    if (complete) *complete = all;
    std::string list;
    for (std::size_t i = 0; i < length; ++i)
        list += out[i] ? out[i] : '|';
    return list;
}

TEST(PlatformProfiles, ReadsWhatTheFileSays) {
    TempFolder dir;
    const std::string f =
        dir.File("r.ini", "; note\r\n[Main]\r\n  Name = spaced value  \r\nQuoted=\"in quotes\"\r\n"
                          "Half=\"open\r\n[Other]\r\nName=other\r\n");
    EXPECT_EQ(Value(f, "main", "NAME"), "spaced value");
    EXPECT_EQ(Value(f, "Main", "Quoted"), "in quotes");
    EXPECT_EQ(Value(f, "Main", "Half"), "\"open");
    EXPECT_EQ(Value(f, "Other", "Name"), "other");
    // A missing key, section or file gives the default (null: empty).
    EXPECT_EQ(Value(f, "Main", "Missing"), "<none>");
    EXPECT_EQ(Value(f, "Nowhere", "Name"), "<none>");
    EXPECT_EQ(Value(dir.Name("missing.ini"), "Main", "Name"), "<none>");
    char out[8];
    EXPECT_EQ(plat::read_profile_string(f.c_str(), "Main", "Missing", nullptr, out, sizeof out),
              0u);
    EXPECT_STREQ(out, "");
    // The value is cut to the buffer and terminated.
    EXPECT_EQ(plat::read_profile_string(f.c_str(), "Main", "Name", "", out, sizeof out), 7u);
    EXPECT_STREQ(out, "spaced ");

    EXPECT_EQ(Keys(f.c_str(), "MAIN"), "Name|Quoted|Half|");
    EXPECT_EQ(Keys(f.c_str(), "Nowhere"), "(NONE)|");
    // Names that do not fit are left out whole.
    bool complete = true;
    EXPECT_EQ(Keys(f.c_str(), "Main", &complete, 13), "Name|Quoted|");
    EXPECT_FALSE(complete);
}

TEST(PlatformProfiles, WritesAndDeletes) {
    TempFolder dir;
    const std::string f = dir.Name("w.ini");
    ASSERT_TRUE(plat::write_profile_string(f.c_str(), "One", "a", "1"));
    ASSERT_TRUE(plat::write_profile_string(f.c_str(), "One", "b", "2"));
    ASSERT_TRUE(plat::write_profile_string(f.c_str(), "Two", "c", "3"));
    ASSERT_TRUE(plat::write_profile_string(f.c_str(), "one", "A", "uno"));
    EXPECT_EQ(Value(f, "One", "a"), "uno");
    EXPECT_EQ(Keys(f.c_str(), "One"), "a|b|");
    // A null value deletes the key, a null key the section.
    ASSERT_TRUE(plat::write_profile_string(f.c_str(), "One", "b", nullptr));
    EXPECT_EQ(Value(f, "One", "b"), "<none>");
    ASSERT_TRUE(plat::write_profile_string(f.c_str(), "Two", nullptr, nullptr));
    EXPECT_EQ(Value(f, "Two", "c"), "<none>");
    EXPECT_EQ(Value(f, "One", "a"), "uno");
    // Nothing but a flush.
    EXPECT_TRUE(plat::write_profile_string(f.c_str(), nullptr, nullptr, nullptr));

    // A delete never makes a missing file; a write into a missing folder or
    // a read-only file fails (where the system stops the user running the
    // tests, see ReadOnlyStopsWriting).
    const std::string none = dir.Name("none.ini");
    plat::write_profile_string(none.c_str(), "S", "k", nullptr);
    plat::write_profile_string(none.c_str(), "S", nullptr, nullptr);
    EXPECT_FALSE(plat::file_exists(none.c_str()));
    EXPECT_FALSE(plat::write_profile_string(dir.Name("no\\such\\x.ini").c_str(), "S", "k", "v"));
    const std::string locked = dir.File("locked.ini", "[S]\r\nk=old\r\n");
    ASSERT_TRUE(plat::set_file_attributes(locked.c_str(), plat::fattr::ReadOnly));
    if (test::ReadOnlyStopsWriting()) {
        EXPECT_FALSE(plat::write_profile_string(locked.c_str(), "S", "k", "new"));
        EXPECT_EQ(Value(locked, "S", "k"), "old");
    }
}

TEST(PlatformProfiles, BareNamesAndTheUsersProfile) {
    test::TempHome home;
    // A bare file name lies in the Windows folder.
    const std::string bare =
        "jolcontract" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000) +
        ".ini";
    ASSERT_TRUE(plat::write_profile_string(bare.c_str(), "S", "k", "v"));
    char folder[1024];
    ASSERT_GT(plat::windows_directory(folder, sizeof folder), 0u);
    const std::string full = std::string(folder) + "\\" + bare;
    EXPECT_EQ(Value(full, "S", "k"), "v");
    EXPECT_TRUE(plat::delete_file(full.c_str()));

    // The user's profile: a null file.
    const char* section = "JolContractTest";
    ASSERT_TRUE(plat::write_profile_string(nullptr, section, "Key", "value"));
    char out[64];
    plat::read_win_profile_string(section, "key", "<none>", out, sizeof out);
    EXPECT_STREQ(out, "value");
    EXPECT_EQ(Keys(nullptr, section), "Key|");
    plat::notify_profile_change(section);
    ASSERT_TRUE(plat::write_profile_string(nullptr, section, nullptr, nullptr));
    plat::read_win_profile_string(section, "key", "<none>", out, sizeof out);
    EXPECT_STREQ(out, "<none>");
}

} // namespace
