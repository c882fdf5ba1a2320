// The file contract of both backends: reading by handle, the data files of
// the binary buffers, the text files of the file handles, and copying,
// moving and deleting whole files with the protection of open and
// read-only files, and changing a file in place without sharing it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "tests/unit/test_support.h"

namespace {

namespace err = plat::err;
namespace fattr = plat::fattr;
using plat::FileHandle;
using test::TempFolder;

std::string ReadSome(FileHandle f, std::size_t bytes) {
    std::string s(bytes, '\0');
    std::size_t got = 0;
    if (!plat::read_file(f, s.data(), bytes, &got)) return "<error>";
    s.resize(got);
    return s;
}

bool Write(FileHandle f, const std::string& bytes) {
    std::size_t put = 0;
    return plat::write_data_file(f, bytes.data(), bytes.size(), &put) && put == bytes.size();
}

std::size_t Entries(const TempFolder& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++n;
    return n;
}

bool ReadOnly(const std::string& name) {
    return plat::set_file_attributes(name.c_str(), fattr::ReadOnly);
}

TEST(PlatformFiles, ReadingByHandle) {
    TempFolder dir;
    const std::string f = dir.File("a.txt", "hello world");
    FileHandle h = plat::open_file_read(f.c_str());
    ASSERT_NE(h, 0u);
    std::uint64_t size = 0;
    EXPECT_TRUE(plat::file_size(h, &size));
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(ReadSome(h, 5), "hello");
    EXPECT_TRUE(plat::seek_file(h, 6));
    EXPECT_EQ(ReadSome(h, 100), "world");
    EXPECT_EQ(ReadSome(h, 100), ""); // the end is no error
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_FALSE(plat::close_file(0));

    // A missing file and a folder cannot be opened.
    EXPECT_EQ(plat::open_file_read(dir.Name("missing.txt").c_str()), 0u);
    EXPECT_EQ(plat::get_last_error(), err::FileNotFound);
    EXPECT_EQ(plat::open_file_read(dir.Subfolder("sub").c_str()), 0u);
    EXPECT_EQ(plat::open_file_read(""), 0u);
}

TEST(PlatformFiles, DataFilesKeepTheirLengthUntilCut) {
    TempFolder dir;
    const std::string f = dir.Name("data.bin");
    // Reading needs an existing file; writing creates one.
    EXPECT_EQ(plat::open_data_file(f.c_str(), false, 3), 0u);
    FileHandle h = plat::open_data_file(f.c_str(), true, 0);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(Write(h, "abcdef"));
    EXPECT_TRUE(plat::flush_file(h));
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_EQ(dir.Read("data.bin"), "abcdef");

    // An existing file opened for writing keeps its bytes past what is
    // written, until it is cut at the position reached.
    h = plat::open_data_file(f.c_str(), true, 0);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(Write(h, "XY"));
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_EQ(dir.Read("data.bin"), "XYcdef");
    h = plat::open_data_file(f.c_str(), true, 0);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(Write(h, "123"));
    EXPECT_TRUE(plat::truncate_data_file(h));
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_EQ(dir.Read("data.bin"), "123");

    h = plat::open_data_file(f.c_str(), false, 3);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ReadSome(h, 10), "123");
    EXPECT_TRUE(plat::close_file(h));
    // Folders are refused either way.
    const std::string sub = dir.Subfolder("sub");
    EXPECT_EQ(plat::open_data_file(sub.c_str(), false, 3), 0u);
    EXPECT_EQ(plat::open_data_file(sub.c_str(), true, 0), 0u);
}

TEST(PlatformFiles, TextFilesByMode) {
    TempFolder dir;
    const std::string f = dir.File("t.txt", "first\r\n");
    using plat::TextOpen;
    // Append writes at the end; Write starts the file afresh.
    FileHandle h = plat::open_text_file(f.c_str(), TextOpen::Append, 0);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(Write(h, "second\r\n"));
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_EQ(dir.Read("t.txt"), "first\r\nsecond\r\n");
    h = plat::open_text_file(f.c_str(), TextOpen::Read, 1);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ReadSome(h, 6), "first\r");
    EXPECT_TRUE(plat::close_file(h));
    h = plat::open_text_file(f.c_str(), TextOpen::Write, 0);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_EQ(dir.Read("t.txt"), "");
    // Append and Write create a missing file; Read does not.
    const std::string fresh = dir.Name("fresh.txt");
    EXPECT_EQ(plat::open_text_file(fresh.c_str(), TextOpen::Read, 1), 0u);
    h = plat::open_text_file(fresh.c_str(), TextOpen::Append, 0);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_TRUE(plat::file_exists(fresh.c_str()));

    // A read-only file is not opened for writing (where the system stops
    // the user running the tests, see ReadOnlyStopsWriting); a folder not
    // at all.
    const std::string locked = dir.File("locked.txt", "keep");
    ASSERT_TRUE(ReadOnly(locked));
    if (test::ReadOnlyStopsWriting()) {
        EXPECT_EQ(plat::open_text_file(locked.c_str(), TextOpen::Write, 0), 0u);
        EXPECT_EQ(plat::open_text_file(locked.c_str(), TextOpen::Append, 0), 0u);
        EXPECT_EQ(dir.Read("locked.txt"), "keep");
    }
    EXPECT_EQ(plat::open_text_file(dir.Subfolder("sub").c_str(), TextOpen::Read, 1), 0u);

    // append_to_file adds at the end, creating the file when missing.
    EXPECT_TRUE(plat::append_to_file(dir.Name("log.txt").c_str(), "one", 3));
    EXPECT_TRUE(plat::append_to_file(dir.Name("log.txt").c_str(), "two", 3));
    EXPECT_EQ(dir.Read("log.txt"), "onetwo");
    EXPECT_FALSE(plat::append_to_file(dir.Name("no\\such\\log.txt").c_str(), "x", 1));
}

TEST(PlatformFiles, CopyMoveAndDelete) {
    TempFolder dir;
    const std::string src = dir.File("src.txt", "source bytes");
    const std::string dst = dir.File("dst.txt", "old");
    // A copy replaces an existing file and keeps the attributes.
    ASSERT_TRUE(plat::set_file_attributes(src.c_str(), fattr::Hidden));
    ASSERT_TRUE(plat::copy_file(src.c_str(), dst.c_str()));
    EXPECT_EQ(dir.Read("dst.txt"), "source bytes");
    EXPECT_EQ(plat::get_file_attributes(dst.c_str()) & fattr::Hidden, fattr::Hidden);
    plat::FindData a, b;
    plat::FindHandle ha = plat::find_first(src.c_str(), &a);
    plat::FindHandle hb = plat::find_first(dst.c_str(), &b);
    ASSERT_NE(ha, 0u);
    ASSERT_NE(hb, 0u);
    const std::uint64_t apart =
        a.write_time > b.write_time ? a.write_time - b.write_time : b.write_time - a.write_time;
    EXPECT_LT(apart, 20000000u); // the same time, to the file system's 2 seconds at worst
    plat::find_close(ha);
    plat::find_close(hb);
    ASSERT_TRUE(plat::set_file_attributes(src.c_str(), 0));

    // A read-only target is neither replaced nor deleted, a missing source
    // leaves no target behind, and a folder is never a target.
    const std::string locked = dir.File("locked.txt", "keep");
    ASSERT_TRUE(ReadOnly(locked));
    EXPECT_FALSE(plat::copy_file(src.c_str(), locked.c_str()));
    EXPECT_EQ(plat::get_last_error(), err::AccessDenied);
    EXPECT_FALSE(plat::move_file_replace(src.c_str(), locked.c_str()));
    EXPECT_FALSE(plat::delete_file(locked.c_str()));
    EXPECT_EQ(plat::get_last_error(), err::AccessDenied);
    EXPECT_EQ(dir.Read("locked.txt"), "keep");
    EXPECT_FALSE(plat::copy_file(dir.Name("missing.txt").c_str(), dir.Name("new.txt").c_str()));
    EXPECT_FALSE(plat::file_exists(dir.Name("new.txt").c_str()));
    EXPECT_FALSE(plat::copy_file(src.c_str(), dir.Subfolder("sub").c_str()));
    EXPECT_TRUE(plat::file_exists(src.c_str()));

    // A move replaces its target and the source is gone.
    ASSERT_TRUE(plat::move_file_replace(src.c_str(), dst.c_str()));
    EXPECT_FALSE(plat::file_exists(src.c_str()));
    EXPECT_EQ(dir.Read("dst.txt"), "source bytes");

    EXPECT_TRUE(plat::delete_file(dst.c_str()));
    EXPECT_FALSE(plat::file_exists(dst.c_str()));
    EXPECT_FALSE(plat::delete_file(dst.c_str()));
    EXPECT_EQ(plat::get_last_error(), err::FileNotFound);
}

TEST(PlatformFiles, OpenFilesAreProtected) {
    TempFolder dir;
    const std::string held = dir.File("held.txt", "held");
    const std::string other = dir.File("other.txt", "other");
    EXPECT_EQ(plat::probe_file_open(held.c_str()), 0u);

    // A handle that writes: the file is not read (by the test open), not
    // replaced, moved or deleted.
    FileHandle w = plat::open_text_file(held.c_str(), plat::TextOpen::Append, 1);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(plat::probe_file_open(held.c_str()), err::SharingViolation);
    EXPECT_FALSE(plat::delete_file(held.c_str()));
    EXPECT_EQ(plat::get_last_error(), err::SharingViolation);
    EXPECT_FALSE(plat::copy_file(other.c_str(), held.c_str()));
    EXPECT_FALSE(plat::move_file_replace(held.c_str(), dir.Name("moved.txt").c_str()));
    EXPECT_FALSE(plat::move_file_replace(other.c_str(), held.c_str()));
    EXPECT_TRUE(plat::file_exists(other.c_str()));
    EXPECT_TRUE(plat::close_file(w));
    EXPECT_EQ(dir.Read("held.txt"), "held");

    // A handle that reads lets others read and copy the file, but still
    // keeps it from being deleted.
    FileHandle r = plat::open_file_read(held.c_str());
    ASSERT_NE(r, 0u);
    EXPECT_EQ(plat::probe_file_open(held.c_str()), 0u);
    EXPECT_TRUE(plat::copy_file(held.c_str(), dir.Name("copy.txt").c_str()));
    EXPECT_EQ(dir.Read("copy.txt"), "held");
    EXPECT_FALSE(plat::delete_file(held.c_str()));
    EXPECT_TRUE(plat::close_file(r));
    EXPECT_TRUE(plat::delete_file(held.c_str()));
    EXPECT_EQ(plat::probe_file_open(held.c_str()), err::FileNotFound);
}

TEST(PlatformFiles, UpdatingInPlaceWithoutSharing) {
    TempFolder dir;
    const std::string f = dir.File("prog.exe", "0123456789");
    FileHandle h = plat::open_file_update(f.c_str());
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ReadSome(h, 4), "0123");
    EXPECT_TRUE(plat::seek_file(h, 2));
    EXPECT_TRUE(Write(h, "ab"));
    EXPECT_TRUE(plat::flush_file(h));
    // Nobody else may open it meanwhile, to change it or to read it.
    EXPECT_EQ(plat::open_file_update(f.c_str()), 0u);
    EXPECT_EQ(plat::get_last_error(), err::SharingViolation);
    EXPECT_EQ(plat::probe_file_open(f.c_str()), err::SharingViolation);
    EXPECT_TRUE(plat::close_file(h));
    EXPECT_EQ(dir.Read("prog.exe"), "01ab456789");
    // A file another handle holds, even for reading, is refused.
    FileHandle reader = plat::open_file_read(f.c_str());
    ASSERT_NE(reader, 0u);
    EXPECT_EQ(plat::open_file_update(f.c_str()), 0u);
    plat::close_file(reader);
    // Missing files are not made; read-only files and folders are refused.
    EXPECT_EQ(plat::open_file_update(dir.Name("missing.exe").c_str()), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.exe"));
    EXPECT_EQ(plat::open_file_update(dir.name().c_str()), 0u);
    const std::string locked = dir.File("locked.exe", "x");
    ASSERT_TRUE(ReadOnly(locked));
    EXPECT_EQ(plat::open_file_update(locked.c_str()), 0u);
    plat::set_file_attributes(locked.c_str(), 0);
}

TEST(PlatformFiles, SameFileAndRestartMoves) {
    TempFolder dir;
    const std::string a = dir.File("a.txt");
    dir.File("b.txt");
    {
        test::CurrentFolder here(dir.path().string());
        EXPECT_TRUE(plat::same_file(a.c_str(), "a.txt"));
        EXPECT_TRUE(plat::same_file(a.c_str(), ".\\a.txt"));
        EXPECT_FALSE(plat::same_file(a.c_str(), "b.txt"));
        EXPECT_FALSE(plat::same_file(a.c_str(), "missing.txt"));
    }
#if !defined(_WIN32)
    // The native backend has no system start to wait for. (On Win32 the
    // request needs an administrator and would outlive the test.)
    EXPECT_FALSE(plat::move_file_at_restart(a.c_str(), nullptr));
    EXPECT_EQ(plat::get_last_error(), err::CallNotImplemented);
    EXPECT_TRUE(plat::file_exists(a.c_str()));
#endif
}

TEST(PlatformFiles, CopiesAreWholeOrNothing) {
    TempFolder dir;
    dir.File("a", "new bytes");
    dir.File("b", "old");
    ASSERT_TRUE(plat::set_file_attributes(dir.Name("b").c_str(), fattr::ReadOnly));
    EXPECT_FALSE(plat::copy_file(dir.Name("a").c_str(), dir.Name("b").c_str()));
    EXPECT_FALSE(plat::move_file_replace(dir.Name("a").c_str(), dir.Name("b").c_str()));
    EXPECT_EQ(dir.Read("b"), "old");
    EXPECT_EQ(dir.Read("a"), "new bytes");
    EXPECT_EQ(Entries(dir), 2u); // no temporary copy left behind
    ASSERT_TRUE(plat::set_file_attributes(dir.Name("b").c_str(), 0));

    // A large copy replaces the target whole and keeps the source's time.
    const std::string big(3 << 20, 'z');
    dir.File("a", big);
    const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(dir.path() / "a", when);
    ASSERT_TRUE(plat::copy_file(dir.Name("a").c_str(), dir.Name("b").c_str()));
    EXPECT_EQ(dir.Read("b"), big);
    const auto apart = std::filesystem::last_write_time(dir.path() / "b") - when;
    EXPECT_LT(std::chrono::abs(apart), std::chrono::seconds(2));
    EXPECT_EQ(Entries(dir), 2u);
    // A missing source leaves the target alone.
    EXPECT_FALSE(plat::copy_file(dir.Name("gone").c_str(), dir.Name("b").c_str()));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "b"), 3u << 20);
}

#if !defined(_WIN32)
TEST(PlatformFiles, NativeMoveBetweenFileSystems) {
    // Between volumes the file is copied, compared and only then deleted.
    const std::filesystem::path shm = "/dev/shm";
    if (!std::filesystem::is_directory(shm)) GTEST_SKIP() << "no second file system";
    TempFolder dir;
    const std::filesystem::path source =
        shm /
        ("jol_move_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::ofstream(source, std::ios::binary) << "travelling";
    dir.File("t", "old");
    EXPECT_TRUE(
        plat::move_file_replace(test::DriveName(source.string()).c_str(), dir.Name("t").c_str()));
    EXPECT_EQ(dir.Read("t"), "travelling");
    EXPECT_FALSE(std::filesystem::exists(source));
    EXPECT_EQ(Entries(dir), 1u);
    std::error_code ec;
    std::filesystem::remove(source, ec);
}
#endif

} // namespace
