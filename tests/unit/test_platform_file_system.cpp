// The file-system contract of both backends: wildcards, attributes, the
// file search, folders, drives, disks and volumes, the special folders; and
// the native backend's mapping of Windows names onto POSIX paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "tests/unit/test_support.h"

namespace {

namespace fattr = plat::fattr;
namespace err = plat::err;
using test::TempFolder;

TEST(PlatformWildcard, StarAndQuestionMark) {
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

TEST(PlatformWildcard, StarDotStarMatchesEveryName) {
    EXPECT_TRUE(plat::wildcard_match("*.*", "noextension"));
    EXPECT_TRUE(plat::wildcard_match("*.*", "a.b"));
    EXPECT_TRUE(plat::wildcard_match("*.*", "."));
    EXPECT_TRUE(plat::wildcard_match("*.*", ".."));
}

TEST(PlatformWildcard, CaseDoesNotMatter) {
    EXPECT_TRUE(plat::wildcard_match("*.TXT", "a.txt"));
    EXPECT_TRUE(plat::wildcard_match("readme", "README"));
    EXPECT_FALSE(plat::wildcard_match("readme", "READ"));
}

TEST(PlatformWildcard, NotShellGlobbing) {
    // Brackets and braces are ordinary characters.
    EXPECT_TRUE(plat::wildcard_match("[ab]", "[ab]"));
    EXPECT_FALSE(plat::wildcard_match("[ab]", "a"));
    EXPECT_FALSE(plat::wildcard_match("{a,b}", "a"));
}

// The four attributes a script can set, without Normal and Directory.
std::uint32_t Settable(const std::string& name) {
    const std::uint32_t a = plat::get_file_attributes(name.c_str());
    return a == fattr::Invalid
               ? a
               : a & (fattr::ReadOnly | fattr::Hidden | fattr::System | fattr::Archive);
}

// The Win32 backend runs its tests under Wine, which keeps no archive
// attribute: it shows archive on every plain file and on no folder,
// whatever was set. The native backend keeps it as it was set.
#if defined(_WIN32)
constexpr bool kArchiveKept = false;
#else
constexpr bool kArchiveKept = true;
#endif

TEST(PlatformFileSystem, FileAttributesRoundTrip) {
    test::TempFolder dir;
    const std::string f = dir.File("a.txt");
    // A new file carries archive.
    EXPECT_EQ(Settable(f), fattr::Archive);
    EXPECT_EQ(plat::get_file_attributes(f.c_str()) & fattr::Directory, 0u);

    const std::uint32_t kCombinations[] = {
        fattr::ReadOnly,
        fattr::Hidden,
        fattr::System,
        fattr::Archive,
        0,
        fattr::ReadOnly | fattr::Hidden | fattr::System,
        fattr::ReadOnly | fattr::Archive,
        fattr::Hidden | fattr::System | fattr::Archive,
        fattr::ReadOnly | fattr::Hidden | fattr::System | fattr::Archive,
    };
    for (std::uint32_t want : kCombinations) {
        SCOPED_TRACE(want);
        ASSERT_TRUE(plat::set_file_attributes(f.c_str(), want));
        const std::uint32_t shown = kArchiveKept ? want : want | fattr::Archive;
        EXPECT_EQ(Settable(f), shown);
        // The file search reports the same bits.
        plat::FindData found;
        plat::FindHandle h = plat::find_first(f.c_str(), &found);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(found.attributes & ~fattr::Normal, shown);
        plat::find_close(h);
    }
    // Clearing archive alone keeps the others.
    ASSERT_TRUE(plat::set_file_attributes(f.c_str(), fattr::Hidden | fattr::System));
    EXPECT_EQ(Settable(f) & ~fattr::Archive, fattr::Hidden | fattr::System);
    if (kArchiveKept) {
        EXPECT_EQ(Settable(f) & fattr::Archive, 0u);
    }
    ASSERT_TRUE(plat::set_file_attributes(f.c_str(), 0));

    // A missing entry has no attributes and takes none.
    EXPECT_EQ(plat::get_file_attributes(dir.Name("missing").c_str()), fattr::Invalid);
    EXPECT_EQ(plat::get_last_error(), plat::err::FileNotFound);
    EXPECT_FALSE(plat::set_file_attributes(dir.Name("missing").c_str(), fattr::Hidden));
}

TEST(PlatformFileSystem, FolderAttributesRoundTrip) {
    test::TempFolder dir;
    const std::string d = dir.Subfolder("sub");
    // A new folder carries no archive.
    EXPECT_EQ(plat::get_file_attributes(d.c_str()) & fattr::Directory, fattr::Directory);
    EXPECT_EQ(Settable(d), 0u);
    for (std::uint32_t want : {fattr::Archive, fattr::Hidden | fattr::System, 0u,
                               fattr::Hidden | fattr::System | fattr::Archive, 0u}) {
        SCOPED_TRACE(want);
        ASSERT_TRUE(plat::set_file_attributes(d.c_str(), want));
        EXPECT_EQ(Settable(d), kArchiveKept ? want : want & ~fattr::Archive);
        EXPECT_EQ(plat::get_file_attributes(d.c_str()) & fattr::Directory, fattr::Directory);
    }
}

TEST(PlatformFileSystem, FindListsTheMatchingEntries) {
    TempFolder dir;
    dir.File("a.txt");
    dir.File("B.TXT", "12345");
    dir.File("c.doc");
    dir.Subfolder("sub.txt");
    std::set<std::string> names;
    plat::FindData found;
    plat::FindHandle h = plat::find_first(dir.Name("*.txt").c_str(), &found);
    ASSERT_NE(h, 0u);
    do {
        names.insert(found.name);
        if (std::strcmp(found.name, "B.TXT") == 0) {
            EXPECT_EQ(found.size, 5u);
            EXPECT_EQ(found.attributes & fattr::Directory, 0u);
            EXPECT_GT(found.write_time, 116444736000000000u); // after 1970
        }
        if (std::strcmp(found.name, "sub.txt") == 0) {
            EXPECT_EQ(found.attributes & fattr::Directory, fattr::Directory);
        }
    } while (plat::find_next(h, &found));
    EXPECT_EQ(plat::get_last_error(), err::NoMoreFiles);
    plat::find_close(h);
    EXPECT_EQ(names, (std::set<std::string>{"a.txt", "B.TXT", "sub.txt"}));

    // "*.*" matches names without a dot; nothing matching is FileNotFound.
    h = plat::find_first(dir.Name("*.*").c_str(), &found);
    ASSERT_NE(h, 0u);
    plat::find_close(h);
    EXPECT_EQ(plat::find_first(dir.Name("*.xyz").c_str(), &found), 0u);
    EXPECT_EQ(plat::get_last_error(), err::FileNotFound);
    EXPECT_EQ(plat::find_first(dir.Name("missing\\*").c_str(), &found), 0u);
}

TEST(PlatformFileSystem, FindFileAndFileExists) {
    TempFolder dir;
    const std::string f = dir.File("x.jol");
    char out[1024];
    // A full name with a drive must exist as given; so must a name with a
    // folder part; a bare name is looked for in the current folder.
    ASSERT_TRUE(plat::find_file(f.c_str(), out, sizeof out));
    EXPECT_TRUE(plat::file_exists(out));
    EXPECT_FALSE(plat::find_file(dir.Name("missing.jol").c_str(), out, sizeof out));
    {
        test::CurrentFolder here(dir.path().string());
        ASSERT_TRUE(plat::find_file("x.jol", out, sizeof out));
        EXPECT_TRUE(plat::file_exists(out));
        ASSERT_TRUE(plat::find_file(".\\x.jol", out, sizeof out));
        EXPECT_TRUE(plat::file_exists(out));
        EXPECT_FALSE(plat::find_file("missing-jol.jol", out, sizeof out));
    }
    // A full name that does not fit counts as not found; a folder is no file.
    char small[4];
    EXPECT_FALSE(plat::find_file(f.c_str(), small, sizeof small));
    EXPECT_FALSE(plat::find_file(dir.name().c_str(), out, sizeof out));
    EXPECT_FALSE(plat::find_file("", out, sizeof out));
    EXPECT_TRUE(plat::file_exists(f.c_str()));
    EXPECT_FALSE(plat::file_exists(dir.name().c_str()));
    EXPECT_FALSE(plat::file_exists(dir.Name("missing.jol").c_str()));
}

TEST(PlatformFileSystem, FoldersAndRenames) {
    TempFolder dir;
    const std::string sub = dir.Name("sub");
    ASSERT_TRUE(plat::create_directory(sub.c_str()));
    EXPECT_FALSE(plat::create_directory(sub.c_str()));
    EXPECT_EQ(plat::get_last_error(), err::AlreadyExists);
    EXPECT_FALSE(plat::create_directory(dir.Name("no\\such\\sub").c_str()));
    EXPECT_EQ(plat::get_last_error(), err::PathNotFound);

    // Only an empty folder is removed.
    dir.File("sub/inside.txt");
    EXPECT_FALSE(plat::remove_directory(sub.c_str()));
    EXPECT_EQ(plat::get_last_error(), err::DirNotEmpty);

    // A rename moves files and folders, never onto an existing name.
    const std::string a = dir.File("a.txt", "a");
    const std::string b = dir.File("b.txt", "b");
    EXPECT_FALSE(plat::move_file(a.c_str(), b.c_str()));
    EXPECT_EQ(dir.Read("b.txt"), "b");
    ASSERT_TRUE(plat::move_file(a.c_str(), dir.Name("sub\\moved.txt").c_str()));
    EXPECT_FALSE(plat::file_exists(a.c_str()));
    EXPECT_EQ(dir.Read("sub/moved.txt"), "a");
    ASSERT_TRUE(plat::move_file(sub.c_str(), dir.Name("renamed").c_str()));
    EXPECT_EQ(dir.Read("renamed/inside.txt"), "x");
    EXPECT_FALSE(plat::move_file(dir.Name("missing").c_str(), dir.Name("other").c_str()));

    ASSERT_TRUE(plat::delete_file(dir.Name("renamed\\inside.txt").c_str()));
    ASSERT_TRUE(plat::delete_file(dir.Name("renamed\\moved.txt").c_str()));
    EXPECT_TRUE(plat::remove_directory(dir.Name("renamed").c_str()));
    EXPECT_EQ(plat::get_file_attributes(dir.Name("renamed").c_str()), fattr::Invalid);
}

TEST(PlatformFileSystem, DrivesDisksAndVolumes) {
    TempFolder dir;
    const std::string root = dir.name().substr(0, 3); // "C:\"
    ASSERT_EQ(root[1], ':');
    EXPECT_EQ(plat::drive_type(root.c_str()), 3u);
    plat::DiskSpace space;
    ASSERT_TRUE(plat::disk_space(root.c_str(), &space));
    EXPECT_GT(space.total_clusters, 0u);
    EXPECT_LE(space.free_clusters, space.total_clusters);
    EXPECT_GT(space.bytes_per_sector * space.sectors_per_cluster, 0u);
    std::uint64_t free_to_caller = 0, total = 0, total_free = 0;
    ASSERT_TRUE(plat::disk_space_bytes(root.c_str(), &free_to_caller, &total, &total_free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(free_to_caller, total_free);
    EXPECT_LE(total_free, total);
    plat::VolumeInfo volume;
    ASSERT_TRUE(plat::volume_information(root.c_str(), &volume));
    EXPECT_NE(volume.file_system[0], 0);
    EXPECT_GT(volume.max_component, 0u);
#if !defined(_WIN32)
    // Network names reach no server on the native backend.
    EXPECT_FALSE(plat::volume_information("\\\\no-such-server\\share\\", &volume));
    EXPECT_EQ(plat::get_last_error(), err::BadNetPath);
#endif
}

TEST(PlatformFileSystem, SpecialFoldersAndNames) {
    char name[1024];
    // The Windows and system folders, the current folder and the program's
    // folder are Windows names with a drive.
    for (auto get : {plat::windows_directory, plat::system_directory, plat::current_directory_name,
                     plat::program_folder_name}) {
        ASSERT_GT(get(name, sizeof name), 2u);
        EXPECT_EQ(name[1], ':') << name;
        EXPECT_EQ(plat::get_file_attributes(name) & fattr::Directory, fattr::Directory) << name;
    }
    ASSERT_GT(plat::program_folder_name(name, sizeof name), 0u);
    EXPECT_EQ(name[std::strlen(name) - 1], '\\');
    char small[2];
    EXPECT_EQ(plat::current_directory_name(small, sizeof small), 0u);

    // The folders of PATH, as Windows names, empty entries left out.
    char first[1024];
    if (plat::get_env("PATH", name, sizeof name) > 0) {
        ASSERT_TRUE(plat::path_directory(0, first, sizeof first));
        EXPECT_EQ(first[1], ':') << first;
    }
    EXPECT_FALSE(plat::path_directory(100000, first, sizeof first));

    // The system's name for a Windows name: the name itself on Win32, the
    // POSIX path on the native backend.
    TempFolder dir;
    const std::string f = dir.File("x.txt");
    ASSERT_TRUE(plat::system_path(f.c_str(), name, sizeof name));
#if defined(_WIN32)
    EXPECT_EQ(std::string(name), f);
#else
    EXPECT_EQ(std::string(name), dir.path().string() + "/x.txt");
#endif
    // The native backend has no short names; Win32 gives one that reaches
    // the same file.
    const std::size_t n = plat::short_path_name(f.c_str(), name, sizeof name);
#if defined(_WIN32)
    ASSERT_GT(n, 0u);
    EXPECT_TRUE(plat::file_exists(name));
#else
    EXPECT_EQ(n, 0u);
#endif
}

#if !defined(_WIN32)
std::string Mapped(const char* name) {
    char out[4096];
    if (!plat::system_path(name, out, sizeof out)) return "<fails>";
    return out;
}

class PlatformNativeDrives : public ::testing::Test {
protected:
    void SetUp() override {
        const char* d = std::getenv("JOL_DRIVES");
        had_ = d != nullptr;
        if (d) saved_ = d;
    }
    void TearDown() override {
        if (had_)
            plat::set_env("JOL_DRIVES", saved_.c_str());
        else
            plat::set_env("JOL_DRIVES", nullptr);
        plat::set_env("=D:", nullptr);
    }
    bool had_ = false;
    std::string saved_;
};

TEST_F(PlatformNativeDrives, CIsTheRootByDefault) {
    plat::set_env("JOL_DRIVES", nullptr);
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

TEST_F(PlatformNativeDrives, ListedDrivesAndDotsStayInsideTheirRoot) {
    // The current directory must lie on C: here: a folder under /tmp
    // would make D: the current drive.
    char saved[4096];
    ASSERT_GT(plat::get_current_directory(saved, sizeof saved), 0u);
    ASSERT_TRUE(plat::set_current_directory("/"));
    plat::set_env("JOL_DRIVES", "C=/,D=/tmp");
    EXPECT_EQ(Mapped("D:\\a\\b"), "/tmp/a/b");
    EXPECT_EQ(Mapped("D:\\..\\..\\etc"), "/tmp/etc");
    EXPECT_EQ(Mapped("D:\\a\\.\\b\\..\\c\\"), "/tmp/a/c/");
    // Another drive's relative names start at its remembered directory.
    plat::set_env("=D:", "D:\\a");
    EXPECT_EQ(Mapped("D:x"), "/tmp/a/x");
    plat::set_env("=D:", nullptr);
    EXPECT_EQ(Mapped("D:x"), "/tmp/x");
    EXPECT_EQ(plat::drive_type("D:\\"), 3u);
    plat::set_env("JOL_DRIVES", "D=/tmp");
    EXPECT_EQ(Mapped("C:\\x"), "/x"); // a list without C keeps C as the root
    ASSERT_TRUE(plat::set_current_directory(saved));
}

TEST_F(PlatformNativeDrives, CurrentDirectoryGetsTheDriveOfTheLongestRoot) {
    char saved[4096];
    ASSERT_GT(plat::get_current_directory(saved, sizeof saved), 0u);
    plat::set_env("JOL_DRIVES", "C=/,D=/tmp");
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
