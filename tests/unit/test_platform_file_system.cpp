// The file-system contract of both backends: attributes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "tests/unit/test_support.h"

namespace {

namespace fattr = plat::fattr;

// A fresh folder of the test's own, named as a Windows name with a drive.
class Folder {
public:
    Folder() {
        static std::atomic<int> serial{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("jol-fs-" + std::to_string(stamp) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
        name_ = test::DriveName(path_.string());
    }
    ~Folder() {
        // Read-only entries are made writable again so that they can go.
        for (const auto& e : std::filesystem::recursive_directory_iterator(path_))
            plat::set_file_attributes(test::DriveName(e.path().string()).c_str(), 0);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // The Windows name of an entry of the folder.
    std::string Name(const std::string& entry) const { return name_ + "\\" + entry; }
    std::string File(const std::string& entry, const std::string& bytes = "x") const {
        std::ofstream(path_ / entry, std::ios::binary) << bytes;
        return Name(entry);
    }
    std::string Subfolder(const std::string& entry) const {
        std::filesystem::create_directory(path_ / entry);
        return Name(entry);
    }

private:
    std::filesystem::path path_;
    std::string name_;
};

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
    Folder dir;
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
    Folder dir;
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

} // namespace
